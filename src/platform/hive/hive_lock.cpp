#include "platform/hive/hive_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/file_rewrite.h"
#include "platform/linux/byte_lock.h"
#include "platform/lock_wait.h"
#include "platform/pause.h"
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

// How long a reader waits for the exclusive lock under which it puts back an interrupted
// rewrite: this process may hold the hive shared through a key of its own.
constexpr std::int64_t READER_RESTORE_WAIT_MS = 2000;

// Read locks are given up on after this long: a user who may only read the hive can hold one.
constexpr std::int64_t READER_HELD_WAIT_MS = 30 * 1000;

constexpr HiveLockWaits DEFAULT_WAITS{static_cast<std::int64_t>(REWRITE_LOCK_WAIT) * 1000, READER_HELD_WAIT_MS,
                                      pauseMilliseconds};
HiveLockWaits waitsInUse = DEFAULT_WAITS;


struct flock hiveByte(short type) { return byteLock(type, HIVE_LOCK_OFFSET); }

// How long the holder of the lock that keeps `type` from `fd` is waited for; a holder
// gone meanwhile is tried again as a writer would be.
std::int64_t holderBound(int fd, short type) {
    struct flock holder = hiveByte(type);
    if (fcntl(fd, F_OFD_GETLK, &holder) != 0) return 0;
    return holder.l_type == F_RDLCK ? waitsInUse.readerHeldMs : waitsInUse.writerHeldMs;
}

// One try at the lock of `type` on `fd`.
LockTry tryHiveLock(int fd, short type, std::int64_t capMs) {
    struct flock range = hiveByte(type);
    if (fcntl(fd, F_OFD_SETLK, &range) == 0) return {LockTry::Held};
    if (errno != EAGAIN && errno != EACCES) return {LockTry::Refused};
    const std::int64_t bound = holderBound(fd, type);
    return {LockTry::Busy, capMs >= 0 ? std::min(bound, capMs) : bound};
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

HiveLockWaits& hiveLockWaits() { return waitsInUse; }
const HiveLockWaits& defaultHiveLockWaits() { return DEFAULT_WAITS; }

HiveLock::~HiveLock() {
    if (fd_ >= 0) close(fd_);  // closing the last descriptor releases the lock
}

long HiveLock::acquire(const std::string& path, bool forWriting) {
    const long locked = lockNamed(path, forWriting);
    if (locked != REGISTRY_OK || forWriting || !hasJournal(path)) return locked;
    // A writer that was ended half-way left the hive's original in a journal: a reader
    // puts it back as a deletion would, under the hive's exclusive lock, and reads on
    // under its shared lock.
    close(fd_);
    fd_ = -1;
    {
        HiveLock writer;  // restores as it locks; released at the end of this block
        writer.lockNamed(path, true, READER_RESTORE_WAIT_MS);
    }
    return lockNamed(path, false);
}

long HiveLock::lockNamed(const std::string& path, bool forWriting, std::int64_t capMs) {
    const int mode = forWriting ? O_RDWR : O_RDONLY;
    const short type = forWriting ? F_WRLCK : F_RDLCK;
    for (;;) {
        // Close-on-exec: a program another host thread starts must not hold our lock.
        const int fd = open(path.c_str(), mode | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) return openFailure(errno);
        const auto tryOnce = [&] { return tryHiveLock(fd, type, capMs); };
        if (!waitForLockBounded(tryOnce, waitsInUse.pause)) {
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
