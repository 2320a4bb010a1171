// Writing a changed hive back without ever leaving it half-written: the image goes to
// a temporary file beside the hive, is synced, and replaces the hive in one rename.
#pragma once
#include <hivex.h>

#include <string>

namespace kelvane::platform {

// The file-system calls of a commit, replaceable so that a test can make each fail.
struct HiveFileCalls {
    int (*writeImage)(hive_h* hive, const char* path);  // the whole hive image to `path`
    int (*syncFile)(int fd);
    int (*renameFile)(const char* from, const char* to);
};

// The calls in use; tests swap entries and put the defaults back.
HiveFileCalls& hiveFileCalls();
const HiveFileCalls& defaultHiveFileCalls();

// Replaces the file `hivePath` (a symbolic link is followed) with the hive's image.
// False when any step fails; the file is then exactly as it was and no temporary
// file is left behind.
bool commitHive(hive_h* hive, const std::string& hivePath);

}  // namespace kelvane::platform
