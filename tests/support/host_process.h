// The command-line host run as a separate process, so that a test can kill it at any
// moment, as a crash or a power cut ends a host.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kelvane::test {

// A running host: a process id on POSIX, a process handle on Windows.
struct HostProcess {
    std::intptr_t id = -1;
};

// Starts the host beside the test program on the library beside it, with `arguments`
// after its own options; its output is discarded.
HostProcess startHost(const std::vector<std::string>& arguments);
// Ends it at once, giving it no chance to clean up (SIGKILL, TerminateProcess).
void killHost(const HostProcess& host);
// Waits for its end: its exit code, or -1 when it was killed.
int waitHost(const HostProcess& host);

// Sets a variable of this process's environment, which the library and later hosts see;
// an empty value removes it.
void setEnvironment(const char* name, const std::string& value);

// A lock such as one who may only read the file at `path` can take, on the byte the
// rewrite locks (POSIX: an open file description read lock over the whole file through a
// read-only descriptor; Windows: a shared LockFileEx through a read-only handle), held
// for the life of the object. held() is false when it could not be taken.
class ReaderLock {
public:
    explicit ReaderLock(const std::string& path);
    ~ReaderLock();
    ReaderLock(const ReaderLock&) = delete;
    ReaderLock& operator=(const ReaderLock&) = delete;
    bool held() const { return held_; }

private:
    std::intptr_t handle_ = -1;
    bool held_ = false;
};

// Gives the file at `path` to another user (root on POSIX only); false where it cannot.
bool giveToAnotherUser(const std::string& path);
// Lets others write the file at `path` (POSIX modes); false where that shows nothing.
bool openToOthers(const std::string& path);
// Gives the file at `path` the second name `link` (a hard link, POSIX); false elsewhere.
bool linkElsewhere(const std::string& path, const std::string& link);

}  // namespace kelvane::test
