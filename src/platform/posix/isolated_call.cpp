#include "platform/posix/isolated_call.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace kelvane::platform {
namespace {

// Byte a child sends for a result that is not in the list.
constexpr std::uint8_t UNLISTED_RESULT = 255;
// How long the host waits for the child before ending it: far beyond any hive's
// rewrite, and a bound should the child wait on a lock another host thread held at fork.
constexpr int CHILD_TIME_LIMIT_MS = 60000;

// The child reports the index of its result in the list.
std::uint8_t indexOf(long result, const long* results, int resultCount) {
    for (int i = 0; i < resultCount; ++i) {
        if (results[i] == result) return static_cast<std::uint8_t>(i);
    }
    return UNLISTED_RESULT;
}

// The library writes no messages; a failed assertion in the child would.
void silenceErrors() {
    const int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0) dup2(devNull, STDERR_FILENO);
}

[[noreturn]] void runChild(const std::function<long()>& work, const long* results, int resultCount, int report) {
    silenceErrors();
    std::uint8_t index = UNLISTED_RESULT;
    try {
        index = indexOf(work(), results, resultCount);
    } catch (...) {
    }
    [[maybe_unused]] const ssize_t sent = write(report, &index, 1);
    _exit(0);  // no atexit handlers or stream flushes of the host's in the child
}

// The byte the child sent, or -1 when it ended without one or ran out of time.
int receiveIndex(int report) {
    pollfd waiting{report, POLLIN, 0};
    int ready;
    do {
        ready = poll(&waiting, 1, CHILD_TIME_LIMIT_MS);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) return -1;
    std::uint8_t index;
    ssize_t got;
    do {
        got = read(report, &index, 1);
    } while (got < 0 && errno == EINTR);
    return got == 1 ? index : -1;
}

}  // namespace

long runIsolated(const std::function<long()>& work, const long* results, int resultCount, long onCrash) {
    // The result travels through a pipe, not the exit status: a host that ignores SIGCHLD
    // or reaps every child itself leaves no status to collect.
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return onCrash;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        runChild(work, results, resultCount, pipeEnds[1]);
    }
    close(pipeEnds[1]);
    if (child < 0) {
        close(pipeEnds[0]);
        return onCrash;
    }
    const int index = receiveIndex(pipeEnds[0]);
    close(pipeEnds[0]);
    if (index < 0) kill(child, SIGKILL);
    // Collected when the host lets us; ECHILD (already reaped by the host) is fine.
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    return index >= 0 && index < resultCount ? results[index] : onCrash;
}

}  // namespace kelvane::platform
