// The lock that orders calls on one hive file across threads and processes: readers
// share it, a deletion holds it alone from reading the hive to the end of its write.
//
// It is an open file description lock (fcntl F_OFD_SETLK) on one byte far past the
// contents: a read lock for readers, which needs only a read descriptor, and a write lock
// for a deletion, which needs a write descriptor. So a lock that holds a deletion back for
// long can be taken by anyone who may read the hive, while one that holds a reader back
// only by a process that may write it; each is waited for accordingly (HiveLockWaits),
// never forever, and a call that gives up fails with the hive untouched. flock, which a
// reader could take exclusively on a read-only descriptor, is independent of these locks
// on Linux and stalls nobody.
#pragma once
#include <hivex.h>

#include <sys/types.h>

#include <cstdint>
#include <limits>
#include <string>

namespace kelvane::platform {

// The byte the hive lock covers: far past any contents, and not the byte of the file
// rewrite's lock (max() - 1, linux/file_system.cpp), which the deletion's own rewrite
// takes through another descriptor of the hive while this lock is held: sharing it, the
// deletion would wait for itself.
constexpr off_t HIVE_LOCK_OFFSET = std::numeric_limits<off_t>::max() - 2;

// How long a call waits for the hive lock that another descriptor holds, by what that
// holder is, in milliseconds; and the pause between tries. Tests shorten them and put the
// defaults back.
struct HiveLockWaits {
    // A write lock: only a process that may write the hive holds one, a live deletion,
    // which may take as long as a file rewrite (REWRITE_LOCK_WAIT, file_rewrite.h).
    std::int64_t writerHeldMs;
    // Read locks only: anyone who may read the hive can take one, and hold it for ever.
    std::int64_t readerHeldMs;
    void (*pause)(int milliseconds);
};

// The waits in use, and the defaults.
HiveLockWaits& hiveLockWaits();
const HiveLockWaits& defaultHiveLockWaits();

class HiveLock {
public:
    HiveLock() = default;
    ~HiveLock();
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;

    // Opens the hive file at `path` for reading (`forWriting`: for reading and writing)
    // and waits for the lock, shared or exclusive to match, as long as HiveLockWaits says. The hive is first restored
    // from an interrupted rewrite's journal (file_rewrite.h): for writing under this
    // lock; for reading, when there is one, under the exclusive lock taken for that
    // moment (a reader that may not write the hive reads it as it is). A registry status:
    // 0 when held, 5 when the caller may not open the file so, 2 when it is gone, 1016
    // when it cannot be locked in time or restored.
    long acquire(const std::string& path, bool forWriting);

private:
    // The lock as acquire() takes it, without the reader's restore; a `capMs` of 0 or
    // more shortens every wait to at most that.
    long lockNamed(const std::string& path, bool forWriting, std::int64_t capMs = -1);
    int fd_ = -1;
};

// Opens the hive file at `path` through hivex (`flags` as hivex_open takes them) under
// `lock`, which stays held until `lock` ends: a reader's hivex maps the file and reads it
// as long as the key is open, so no rewrite may change it meanwhile. A key kept open
// therefore holds back a deletion from its hive, also one this process asks for, until
// the deletion gives up at the readers' bound (the exports never keep a key across a call). A registry status as acquire() gives, or
// 1009 when hivex cannot read the hive.
long openLockedHive(HiveLock& lock, const std::string& path, int flags, hive_h** hive);

}  // namespace kelvane::platform
