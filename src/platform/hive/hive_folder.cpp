#include "platform/hive/hive_folder.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/hive/name_case.h"
#include "platform/registry.h"

namespace kelvane::platform {
namespace {

bool isHiveFile(const std::string& folder, const std::string& name) {
    if (name.empty() || name.find('.') != std::string::npos) return false;
    struct stat info;
    return stat((folder + "/" + name).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool refusedAccess(int error) { return error == EACCES || error == EPERM; }

// Only a folder that is not there means no hives; a lack of descriptors or memory says
// nothing of the keys, so it is no "not found".
long openingFolderFailed(int error) {
    if (refusedAccess(error)) return REGISTRY_ACCESS_DENIED;
    return error == ENOENT || error == ENOTDIR ? REGISTRY_NOT_FOUND : REGISTRY_IO_FAILED;
}

}  // namespace

std::string hklmFolder() {
    const char* folder = std::getenv(HKLM_FOLDER_VARIABLE);
    return folder != nullptr ? folder : "";
}

long readHiveNames(const std::string& folder, std::vector<std::string>* names) {
    names->clear();
    if (folder.empty()) return REGISTRY_NOT_FOUND;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return openingFolderFailed(errno);
    while (const dirent* entry = readdir(dir)) {
        if (isHiveFile(folder, entry->d_name)) names->emplace_back(entry->d_name);
    }
    closedir(dir);
    std::sort(names->begin(), names->end(),
              [](const std::string& a, const std::string& b) { return precedesInKeyOrder(a, b); });
    return REGISTRY_OK;
}

long locateHiveFile(const std::string& folder, const std::string& name, std::string* path) {
    path->clear();
    std::vector<std::string> names;
    const long status = readHiveNames(folder, &names);
    if (status != REGISTRY_OK) return status;
    const std::u16string wanted = foldedName(name);
    for (const std::string& candidate : names) {
        if (foldedName(candidate) == wanted) {
            *path = folder + "/" + candidate;
            return REGISTRY_OK;
        }
    }
    return REGISTRY_NOT_FOUND;
}

}  // namespace kelvane::platform
