// The deletion of a key from a hive file. The host checks what it can by reading, then
// leaves the change to the helper program (helper_program.h), which runs
// deleteKeyFromHive with the hive locked from its reading to the end of its write.
#pragma once

namespace kelvane::platform {

// The helper's verb for a deletion.
constexpr const char* DELETE_VERB = "delete";

// In the helper: deletes the key `path` below HKEY_LOCAL_MACHINE from its hive file
// and writes the hive back. A registry status.
long deleteKeyFromHive(const char* path);

}  // namespace kelvane::platform
