#include "platform/posix/hive_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace kelvane::platform {
namespace {

int writeImageWithHivex(hive_h* hive, const char* path) { return hivex_commit(hive, path, 0); }

// Resolves links so that the rename replaces the hive itself, not a link to it.
std::string resolvedPath(const std::string& path) {
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) != nullptr ? buffer : "";
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A hidden name beside the hive, so that the folder listing never takes it for a hive.
std::string temporaryPattern(const std::string& target) {
    return folderOf(target) + "/." + target.substr(target.rfind('/') + 1) + ".kelvane-XXXXXX";
}

// The rename itself must survive a power loss too.
void syncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    hiveFileCalls().syncFile(fd);
    close(fd);
}

}  // namespace

const HiveFileCalls& defaultHiveFileCalls() {
    static const HiveFileCalls defaults = {writeImageWithHivex, fsync, std::rename};
    return defaults;
}

HiveFileCalls& hiveFileCalls() {
    static HiveFileCalls calls = defaultHiveFileCalls();
    return calls;
}

HiveReplacement::HiveReplacement(const std::string& hivePath) : target_(resolvedPath(hivePath)) {
    struct stat info;
    if (target_.empty() || stat(target_.c_str(), &info) != 0) return;
    const std::string pattern = temporaryPattern(target_);
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = mkstemp(name.data());
    if (fd_ < 0) return;
    temporary_ = name.data();
    fchmod(fd_, info.st_mode & 07777);
}

HiveReplacement::~HiveReplacement() {
    if (fd_ < 0) return;
    close(fd_);
    if (!replaced_) unlink(temporary_.c_str());
}

bool HiveReplacement::writeImage(hive_h* hive) const {
    const HiveFileCalls& calls = hiveFileCalls();
    return ready() && calls.writeImage(hive, temporary_.c_str()) == 0 && calls.syncFile(fd_) == 0;
}

bool HiveReplacement::replaceHive() {
    if (!ready() || hiveFileCalls().renameFile(temporary_.c_str(), target_.c_str()) != 0) return false;
    replaced_ = true;
    syncFolder(folderOf(target_));
    return true;
}

}  // namespace kelvane::platform
