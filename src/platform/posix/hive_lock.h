// The lock that orders calls on one hive file across threads and processes: readers
// share it, a deletion holds it alone from reading the hive to the end of its write.
#pragma once
#include <hivex.h>

#include <string>

namespace kelvane::platform {

class HiveLock {
public:
    HiveLock() = default;
    ~HiveLock();
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;

    // Opens the hive file at `path` for reading (`forWriting`: for reading and writing)
    // and waits for the lock, shared or exclusive to match; for writing, the hive is
    // then restored from an interrupted rewrite's journal (file_rewrite.h). A registry
    // status: 0 when held, 5 when the caller may not open the file so, 2 when it is gone,
    // 1016 when it cannot be locked or restored.
    long acquire(const std::string& path, bool forWriting);

    // Lets the lock go before this ends.
    void release();

private:
    int fd_ = -1;
};

// Opens the hive file at `path` through hivex (`flags` as hivex_open takes them) under
// `lock`. hivex then holds the whole hive in memory, its own copy: a reader lets the
// lock go at once, so that it never blocks a deletion in its own process while it keeps
// a key open, and no later rewrite can change what it reads. For changing
// (HIVEX_OPEN_WRITE) the lock stays held until `lock` ends. A registry status as
// acquire() gives, or 1009 when hivex cannot read the hive.
long openLockedHive(HiveLock& lock, const std::string& path, int flags, hive_h** hive);

}  // namespace kelvane::platform
