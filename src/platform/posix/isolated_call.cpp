#include "platform/posix/isolated_call.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace kelvane::platform {
namespace {

// Exit code of a child whose result is not in the list.
constexpr int UNLISTED_RESULT = 255;

// The child reports the index of its result in the list as its exit code.
int exitCodeOf(long result, const long* results, int resultCount) {
    for (int i = 0; i < resultCount; ++i) {
        if (results[i] == result) return i;
    }
    return UNLISTED_RESULT;
}

// The library writes no messages; a failed assertion in the child would.
void silenceErrors() {
    const int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0) dup2(devNull, STDERR_FILENO);
}

}  // namespace

long runIsolated(const std::function<long()>& work, const long* results, int resultCount, long onCrash) {
    const pid_t child = fork();
    if (child < 0) return onCrash;
    if (child == 0) {
        silenceErrors();
        int code = UNLISTED_RESULT;
        try {
            code = exitCodeOf(work(), results, resultCount);
        } catch (...) {
        }
        _exit(code);  // no atexit handlers or stream flushes of the host's in the child
    }
    int status = 0;
    pid_t waited;
    do {
        waited = waitpid(child, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited != child || !WIFEXITED(status)) return onCrash;
    const int code = WEXITSTATUS(status);
    return code < resultCount ? results[code] : onCrash;
}

}  // namespace kelvane::platform
