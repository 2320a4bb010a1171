#include "platform/posix/hive_commit.h"

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

HiveFileCalls& currentCalls() {
    static HiveFileCalls calls = defaultHiveFileCalls();
    return calls;
}

// Resolves links so that the rename replaces the hive itself, not a link to it.
bool resolvedPath(const std::string& path, std::string* resolved) {
    char buffer[PATH_MAX];
    if (realpath(path.c_str(), buffer) == nullptr) return false;
    *resolved = buffer;
    return true;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A hidden name beside the hive, so that the folder listing never takes it for a hive.
std::string temporaryPattern(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    return folderOf(target) + "/." + target.substr(slash + 1) + ".kelvane-XXXXXX";
}

// The rename itself must survive a power loss too.
void syncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    hiveFileCalls().syncFile(fd);
    close(fd);
}

bool writeSyncedCopy(hive_h* hive, int fd, const std::string& path, mode_t mode) {
    const HiveFileCalls& calls = hiveFileCalls();
    return fchmod(fd, mode) == 0 && calls.writeImage(hive, path.c_str()) == 0 && calls.syncFile(fd) == 0;
}

}  // namespace

const HiveFileCalls& defaultHiveFileCalls() {
    static const HiveFileCalls defaults = {writeImageWithHivex, fsync, std::rename};
    return defaults;
}

HiveFileCalls& hiveFileCalls() { return currentCalls(); }

bool commitHive(hive_h* hive, const std::string& hivePath) {
    std::string target;
    struct stat info;
    if (!resolvedPath(hivePath, &target) || stat(target.c_str(), &info) != 0) return false;
    std::string pattern = temporaryPattern(target);
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) return false;
    const std::string temporary = name.data();
    const bool written = writeSyncedCopy(hive, fd, temporary, info.st_mode & 07777);
    close(fd);
    if (!written || hiveFileCalls().renameFile(temporary.c_str(), target.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    syncFolder(folderOf(target));
    return true;
}

}  // namespace kelvane::platform
