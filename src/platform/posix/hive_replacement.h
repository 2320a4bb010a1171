// Writing a changed hive back without ever leaving it half-written: the image goes to
// a temporary file beside the hive, is synced, and replaces the hive in one rename.
#pragma once
#include <hivex.h>

#include <string>

namespace kelvane::platform {

// The file-system calls of a replacement, replaceable so that a test can make each fail.
struct HiveFileCalls {
    int (*writeImage)(hive_h* hive, const char* path);  // the whole hive image to `path`
    int (*syncFile)(int fd);
    int (*renameFile)(const char* from, const char* to);
};

// The calls in use; tests swap entries and put the defaults back.
HiveFileCalls& hiveFileCalls();
const HiveFileCalls& defaultHiveFileCalls();

// A temporary file beside the hive file (a symbolic link is followed), with the hive's
// mode, removed again unless it replaced the hive.
class HiveReplacement {
public:
    explicit HiveReplacement(const std::string& hivePath);
    ~HiveReplacement();
    HiveReplacement(const HiveReplacement&) = delete;
    HiveReplacement& operator=(const HiveReplacement&) = delete;

    // False when the temporary file could not be made.
    bool ready() const { return fd_ >= 0; }
    // Writes the hive's whole image into the temporary file and syncs it.
    bool writeImage(hive_h* hive) const;
    // Renames the temporary file over the hive and syncs the folder.
    bool replaceHive();

private:
    std::string target_;
    std::string temporary_;
    int fd_ = -1;
    bool replaced_ = false;
};

}  // namespace kelvane::platform
