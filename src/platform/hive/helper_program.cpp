#include "platform/hive/helper_program.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <signal.h>
#include <spawn.h>
#include <sys/auxv.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/registry.h"

extern char** environ;

namespace kelvane::platform {
namespace {

// Longest answer the helper prints: a status in decimal and a newline.
constexpr int ANSWER_CAPACITY = 32;
// Bytes the helper reads of its argument at a time.
constexpr std::size_t ARGUMENT_CHUNK = 64 * 1024;

std::string resolved(const char* path) {
    char full[PATH_MAX];
    return path != nullptr && realpath(path, full) != nullptr ? full : "";
}

// The file of the module that holds this code: the shared library, or the program
// itself when the core is linked statically (its link map has no name). /proc/self/exe
// is closed to a process that changed its user; the name it was started by then serves.
std::string ownModuleFile() {
    Dl_info info;
    link_map* map = nullptr;
    if (dladdr1(reinterpret_cast<void*>(&runHiveHelper), &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) ==
            0 ||
        map == nullptr) {
        return "";
    }
    if (map->l_name[0] != '\0') return resolved(map->l_name);
    const std::string program = resolved("/proc/self/exe");
    return !program.empty() ? program : resolved(reinterpret_cast<const char*>(getauxval(AT_EXECFN)));
}

std::string helperPath() {
    const std::string module = ownModuleFile();
    const std::size_t slash = module.rfind('/');
    return slash == std::string::npos ? "" : module.substr(0, slash + 1) + HIVE_HELPER_NAME;
}

// Found while the module is loaded: the name it was loaded by may be relative to the
// current folder of that moment.
const std::string HELPER_AT_LOAD = helperPath();

// The helper starts with no descriptor of the host's but the answer pipe as its own
// descriptor, the argument's socket as stdin, stdout and stderr on /dev/null (hivex's
// assertion messages must not reach the host's stderr), and every signal at its default,
// unblocked.
bool prepareSpawn(posix_spawn_file_actions_t* actions, posix_spawnattr_t* attributes, int argumentFd, int answerFd) {
    posix_spawn_file_actions_init(actions);
    posix_spawnattr_init(attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    return posix_spawn_file_actions_adddup2(actions, answerFd, HELPER_ANSWER_FD) == 0 &&
           posix_spawn_file_actions_adddup2(actions, argumentFd, STDIN_FILENO) == 0 &&
           posix_spawn_file_actions_addopen(actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0) == 0 &&
           posix_spawn_file_actions_addopen(actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0) == 0 &&
           posix_spawn_file_actions_addclosefrom_np(actions, HELPER_ANSWER_FD + 1) == 0 &&
           posix_spawnattr_setsigmask(attributes, &none) == 0 && posix_spawnattr_setsigdefault(attributes, &all) == 0 &&
           posix_spawnattr_setflags(attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
}

pid_t startHelper(const char* verb, int argumentFd, int answerFd) {
    const std::string& program = HELPER_AT_LOAD;
    if (program.empty()) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    pid_t child = -1;
    char* const arguments[] = {const_cast<char*>(HIVE_HELPER_NAME), const_cast<char*>(verb), nullptr};
    if (prepareSpawn(&actions, &attributes, argumentFd, answerFd) &&
        posix_spawn(&child, program.c_str(), &actions, &attributes, arguments, environ) != 0) {
        child = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return child;
}

// `fd`, moved above the numbers the helper's layout gives out (stdin to HELPER_ANSWER_FD) when
// it holds one of them, as in a host that closed its standard descriptors: one dup2 of
// that layout would otherwise close the source of another. -1 when it cannot be moved.
int clearOfLayout(int fd) {
    if (fd < 0 || fd > HELPER_ANSWER_FD) return fd;
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, HELPER_ANSWER_FD + 1);
    close(fd);
    return moved;
}

// The argument to the helper, then its end. A socket rather than a pipe: MSG_NOSIGNAL keeps a
// helper that ended early from ending the host with SIGPIPE.
void sendArgument(int fd, const char* argument) {
    std::size_t left = std::strlen(argument);
    while (left > 0) {
        const ssize_t sent = send(fd, argument, left, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) break;  // the helper is gone; its answer, or none, tells the rest
        argument += sent;
        left -= static_cast<std::size_t>(sent);
    }
    shutdown(fd, SHUT_WR);
}

// Everything the helper printed until it ended (its end closes the pipe).
std::string readAnswer(int fd) {
    std::string answer;
    char buffer[ANSWER_CAPACITY];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0 && answer.size() < ANSWER_CAPACITY) answer.append(buffer, static_cast<std::size_t>(got));
        if (got == 0 || (got < 0 && errno != EINTR)) return answer;
    }
}

long listedStatus(const std::string& answer, const long* results, int resultCount, long onFailure) {
    if (answer.empty() || answer.back() != '\n') return onFailure;
    char* end = nullptr;
    const long status = std::strtol(answer.c_str(), &end, 10);
    if (end != answer.c_str() + answer.size() - 1) return onFailure;
    for (int i = 0; i < resultCount; ++i) {
        if (results[i] == status) return status;
    }
    return onFailure;
}

}  // namespace

long runHiveHelper(const char* verb, const char* argument, const long* results, int resultCount, long onFailure) {
    // The answer travels through a pipe, not the exit status: a host that ignores SIGCHLD
    // or reaps every child itself leaves no status to collect.
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return onFailure;
    int argumentEnds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, argumentEnds) != 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return onFailure;
    }
    pipeEnds[1] = clearOfLayout(pipeEnds[1]);
    argumentEnds[1] = clearOfLayout(argumentEnds[1]);
    const pid_t child = pipeEnds[1] >= 0 && argumentEnds[1] >= 0 ? startHelper(verb, argumentEnds[1], pipeEnds[1]) : -1;
    close(pipeEnds[1]);
    close(argumentEnds[1]);
    if (child > 0) sendArgument(argumentEnds[0], argument);
    close(argumentEnds[0]);
    const std::string answer = child > 0 ? readAnswer(pipeEnds[0]) : "";
    close(pipeEnds[0]);
    // Collected when the host lets us; ECHILD (already reaped by the host) is fine.
    while (child > 0 && waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    return listedStatus(answer, results, resultCount, onFailure);
}

long readHelperArgument(int fd, std::string* argument) {
    argument->clear();
    for (;;) {
        const std::size_t had = argument->size();
        argument->resize(had + ARGUMENT_CHUNK);
        const ssize_t got = read(fd, &(*argument)[had], ARGUMENT_CHUNK);
        argument->resize(had + static_cast<std::size_t>(got > 0 ? got : 0));
        if (got == 0) return REGISTRY_OK;
        if (got < 0 && errno != EINTR) return REGISTRY_IO_FAILED;
        if (argument->size() > HELPER_ARGUMENT_LIMIT) return REGISTRY_INVALID_PARAMETER;
    }
}

}  // namespace kelvane::platform
