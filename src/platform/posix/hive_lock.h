// The lock that orders calls on one hive file across threads and processes: readers
// share it, a deletion holds it alone from reading the hive to the end of its write.
#pragma once
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

    // The locked file, open as acquire() asked; -1 when none is held.
    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

}  // namespace kelvane::platform
