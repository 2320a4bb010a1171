#include "platform/posix/hive_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/posix/folders.h"

namespace kelvane::platform {
namespace {

int writeImageWithHivex(hive_h* hive, const char* path) { return hivex_commit(hive, path, 0); }

// Resolves links so that the rename replaces the hive itself, not a link to it.
std::string resolvedPath(const std::string& path) {
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) != nullptr ? buffer : "";
}

// A hidden name beside the hive, so that the folder listing never takes it for a hive.
std::string temporaryPattern(const std::string& target) {
    char folder[PATH_CAPACITY];
    if (!posix::folderOf(target.c_str(), folder)) return "";
    return std::string(folder) + "/." + target.substr(target.rfind('/') + 1) + ".kelvane-XXXXXX";
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
    if (pattern.empty()) return;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = mkstemp(name.data());
    if (fd_ < 0) return;
    temporary_ = name.data();
    // mkstemp makes mode 0600 for the process's user: the hive keeps its own.
    if (!posix::takeOwnerAndMode(fd_, info)) {
        close(fd_);
        unlink(temporary_.c_str());
        fd_ = -1;
    }
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
    posix::syncFolderOf(target_.c_str());
    return true;
}

}  // namespace kelvane::platform
