#include "support/host_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "library_loader.h"
#include "support/test_support.h"

namespace kelvane::test {

HostProcess startHost(const std::vector<std::string>& arguments) {
    const std::string host = tools::programFolder() + "kelvane";
    const std::string library = libraryPath();
    std::vector<const char*> argv{host.c_str(), "--lib", library.c_str()};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, STDOUT_FILENO);
        ::execv(host.c_str(), const_cast<char* const*>(argv.data()));
        ::_exit(127);
    }
    return HostProcess{child};
}

void killHost(const HostProcess& host) { ::kill(static_cast<pid_t>(host.id), SIGKILL); }

int waitHost(const HostProcess& host) {
    int status = 0;
    if (::waitpid(static_cast<pid_t>(host.id), &status, 0) < 0 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

void setEnvironment(const char* name, const std::string& value) {
    if (value.empty()) {
        ::unsetenv(name);
    } else {
        ::setenv(name, value.c_str(), 1);
    }
}

// The first user id above the system's that no test process runs as.
constexpr uid_t ANOTHER_USER = 65534;

bool giveToAnotherUser(const std::string& path) {
    return ::geteuid() == 0 && ::chown(path.c_str(), ANOTHER_USER, ANOTHER_USER) == 0;
}

bool openToOthers(const std::string& path) { return ::chmod(path.c_str(), 0666) == 0; }

bool linkElsewhere(const std::string& path, const std::string& link) {
    return ::link(path.c_str(), link.c_str()) == 0;
}

ReaderLock::ReaderLock(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    handle_ = fd;
    struct flock range {};
    range.l_type = F_RDLCK;
    range.l_whence = SEEK_SET;  // from 0 to the end, however far: the rewrite's byte too
    held_ = fd >= 0 && ::fcntl(fd, F_OFD_SETLK, &range) == 0;
}

ReaderLock::~ReaderLock() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

}  // namespace kelvane::test
