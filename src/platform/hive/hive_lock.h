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
    // and waits for the lock, shared or exclusive to match. The hive is first restored
    // from an interrupted rewrite's journal (file_rewrite.h): for writing under this
    // lock; for reading, when there is one, under the exclusive lock taken for that
    // moment (a reader that may not write the hive reads it as it is). A registry status:
    // 0 when held, 5 when the caller may not open the file so, 2 when it is gone, 1016
    // when it cannot be locked or restored.
    long acquire(const std::string& path, bool forWriting);

private:
    // The lock as acquire() takes it, without the reader's restore; `tries` 0 waits as
    // long as it takes, else it gives up after that many.
    long lockNamed(const std::string& path, bool forWriting, int tries = 0);
    int fd_ = -1;
};

// Opens the hive file at `path` through hivex (`flags` as hivex_open takes them) under
// `lock`, which stays held until `lock` ends: a reader's hivex maps the file and reads it
// as long as the key is open, so no rewrite may change it meanwhile. A key kept open
// therefore holds back a deletion from its hive, also one this process asks for (the
// exports never keep a key across a call). A registry status as acquire() gives, or
// 1009 when hivex cannot read the hive.
long openLockedHive(HiveLock& lock, const std::string& path, int flags, hive_h** hive);

}  // namespace kelvane::platform
