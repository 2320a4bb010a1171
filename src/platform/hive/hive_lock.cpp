#include "platform/hive/hive_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_rewrite.h"
#include "platform/registry.h"

namespace kelvane::platform {
namespace {

long openFailure(int error) {
    switch (error) {
        case EACCES:  // the mode or the owner refuses
        case EPERM:   // immutable or append-only
        case EROFS:
        case ETXTBSY:
            return REGISTRY_ACCESS_DENIED;
        case ENOENT:
            return REGISTRY_NOT_FOUND;
        default:
            return REGISTRY_IO_FAILED;
    }
}

// Tries a reader makes, READER_RESTORE_PAUSE apart, for the exclusive lock under which
// it puts back an interrupted rewrite.
constexpr int READER_RESTORE_TRIES = 200;
constexpr useconds_t READER_RESTORE_PAUSE = 10000;

// flock, waiting as long as it takes (`tries` 0) or for that many tries.
int lockWaiting(int fd, int operation, int tries) {
    for (int tried = 1;; ++tried) {
        if (flock(fd, tries == 0 ? operation : operation | LOCK_NB) == 0) return 0;
        if (errno == EINTR) continue;
        if (tries == 0 || errno != EWOULDBLOCK || tried >= tries) return -1;
        usleep(READER_RESTORE_PAUSE);
    }
}

// Whether `path` still names the file open as `fd`. A lock on a file that was replaced
// while we waited guards nothing: the name then leads to the new one.
bool stillNamed(int fd, const std::string& path) {
    struct stat opened, named;
    return fstat(fd, &opened) == 0 && stat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

// True when a journal of the hive at `path` may be waiting to be put back.
bool hasJournal(const std::string& path) { return mayHaveJournal(path.c_str()); }

}  // namespace

HiveLock::~HiveLock() {
    if (fd_ >= 0) close(fd_);  // closing the last descriptor releases the lock
}

long HiveLock::acquire(const std::string& path, bool forWriting) {
    const long locked = lockNamed(path, forWriting);
    if (locked != REGISTRY_OK || forWriting || !hasJournal(path)) return locked;
    // A writer that was ended half-way left the hive's original in a journal: a reader
    // puts it back as a deletion would, under the hive's exclusive lock, and reads on
    // under its shared lock.
    // Waiting is bounded: this process may hold the hive shared through a key of its own.
    close(fd_);
    fd_ = -1;
    {
        HiveLock writer;  // restores as it locks; released at the end of this block
        writer.lockNamed(path, true, READER_RESTORE_TRIES);
    }
    return lockNamed(path, false);
}

long HiveLock::lockNamed(const std::string& path, bool forWriting, int tries) {
    const int mode = forWriting ? O_RDWR : O_RDONLY;
    const int operation = forWriting ? LOCK_EX : LOCK_SH;
    for (;;) {
        // Close-on-exec: a program another host thread starts must not hold our lock.
        const int fd = open(path.c_str(), mode | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) return openFailure(errno);
        if (lockWaiting(fd, operation, tries) != 0) {
            close(fd);
            return REGISTRY_IO_FAILED;
        }
        if (stillNamed(fd, path)) {
            fd_ = fd;
            // A writer that was ended half-way left the hive's original in a journal:
            // it goes back before anyone reads the hive for changing it.
            return !forWriting || restoreInterruptedRewrite(path.c_str()) ? REGISTRY_OK : REGISTRY_IO_FAILED;
        }
        close(fd);
    }
}

long openLockedHive(HiveLock& lock, const std::string& path, int flags, hive_h** hive) {
    const long locked = lock.acquire(path, (flags & HIVEX_OPEN_WRITE) != 0);
    if (locked != REGISTRY_OK) return locked;
    *hive = hivex_open(path.c_str(), flags);
    if (*hive != nullptr) return REGISTRY_OK;
    // A file the lock could open but hivex may not read is refused, not damaged.
    return errno == EACCES || errno == EPERM ? REGISTRY_ACCESS_DENIED : REGISTRY_BAD_DATABASE;
}

}  // namespace kelvane::platform
