// Writing a changed hive back into its file. hivex writes a hive's image only to a file
// name (hivex_commit opens it with O_TRUNC, unsynced), so the image first goes to an
// anonymous file in memory, named through /proc/self/fd: nothing of it reaches a disk
// or outlives the process, whatever ends it. From there rewriteFile (file_rewrite.h)
// puts it into the hive file itself, which keeps its links, owner, mode and attributes.
#pragma once
#include <hivex.h>

#include <string>

namespace kelvane::platform {

// The calls that make the image, replaceable so that a test can make each fail.
struct HiveImageCalls {
    int (*createImageFile)();                           // an empty anonymous file, or -1
    int (*writeImage)(hive_h* hive, const char* path);  // the whole hive image to `path`
};

// The calls in use; tests swap entries and put the defaults back.
HiveImageCalls& hiveImageCalls();
const HiveImageCalls& defaultHiveImageCalls();

// Writes the open hive's image over the file at `hivePath`. A registry status: 0, 5 when
// the file cannot be opened for writing, 1016 when writing failed (the file as it was).
long writeHiveBack(hive_h* hive, const std::string& hivePath);

}  // namespace kelvane::platform
