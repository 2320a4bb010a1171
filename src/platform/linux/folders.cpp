#include "platform/linux/folders.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

namespace kelvane::platform::posix {

bool folderOf(const char* path, char folder[PATH_CAPACITY]) {
    const char* slash = std::strrchr(path, '/');
    if (slash == nullptr) {
        std::strcpy(folder, ".");
        return true;
    }
    const std::size_t length = slash == path ? 1 : static_cast<std::size_t>(slash - path);
    if (length >= PATH_CAPACITY) return false;
    std::memcpy(folder, path, length);
    folder[length] = '\0';
    return true;
}

bool syncFolderOf(const char* path) {
    char folder[PATH_CAPACITY];
    if (!folderOf(path, folder)) return false;
    const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

bool takeOwnerAndMode(int fd, const struct stat& original) {
    [[maybe_unused]] const int ownerKept = ::fchown(fd, original.st_uid, original.st_gid);
    return ::fchmod(fd, original.st_mode & 07777) == 0;
}

}  // namespace kelvane::platform::posix
