#include "platform/posix/hive_folder.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

#include "platform/posix/ascii_case.h"

namespace kelvane::platform {
namespace {

// Windows orders subkeys by their upper-cased names.
bool windowsKeyOrder(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(upperAscii(x)) < static_cast<unsigned char>(upperAscii(y));
    });
}

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return upperAscii(x) == upperAscii(y); });
}

bool isHiveFile(const std::string& folder, const std::string& name) {
    if (name.empty() || name.find('.') != std::string::npos) return false;
    struct stat info;
    return stat((folder + "/" + name).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

std::string hklmFolder() {
    const char* folder = std::getenv(HKLM_FOLDER_VARIABLE);
    return folder != nullptr ? folder : "";
}

bool listHiveNames(const std::string& folder, std::vector<std::string>* names) {
    names->clear();
    if (folder.empty()) return false;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return false;
    while (const dirent* entry = readdir(dir)) {
        if (isHiveFile(folder, entry->d_name)) names->emplace_back(entry->d_name);
    }
    closedir(dir);
    std::sort(names->begin(), names->end(), windowsKeyOrder);
    return true;
}

std::string findHiveFile(const std::string& folder, const std::string& name) {
    std::vector<std::string> names;
    if (!listHiveNames(folder, &names)) return {};
    for (const std::string& candidate : names) {
        if (sameIgnoringCase(candidate, name)) return folder + "/" + candidate;
    }
    return {};
}

}  // namespace kelvane::platform
