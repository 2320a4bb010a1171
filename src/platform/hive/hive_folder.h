// HKEY_LOCAL_MACHINE as a folder of hive files: the folder named by KELVANE_HKLM,
// holding files named as Windows names its hives (SOFTWARE, SYSTEM, ...).
#pragma once
#include <string>
#include <vector>

namespace kelvane::platform {

// Environment variable that names the folder.
constexpr const char* HKLM_FOLDER_VARIABLE = "KELVANE_HKLM";

// The folder, or an empty text when the variable is unset or empty.
std::string hklmFolder();

// Names of the hive files in `folder` (regular files without a dot in the name, so
// logs, backups and our own temporary files are left out), in the order Windows
// sorts key names. A registry status: not found when there is no folder, access
// denied when the caller may not read it.
long readHiveNames(const std::string& folder, std::vector<std::string>* names);

// Into *path, the hive file whose name is `name` ignoring case as Windows ignores it;
// a registry status as readHiveNames gives, or not found when no file has that name.
long locateHiveFile(const std::string& folder, const std::string& name, std::string* path);

}  // namespace kelvane::platform
