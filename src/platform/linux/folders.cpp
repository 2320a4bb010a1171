#include "platform/linux/folders.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

namespace kelvane::platform::folders {

PlaceFolder::PlaceFolder(const FilePlace& place, bool ownOnly) {
    if (place.folder != NO_FILE) {
        fd_ = static_cast<int>(place.folder);
        return;
    }
    fd_ = ::open(place.folderPath, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    owned_ = fd_ >= 0;
    if (owned_ && ownOnly && !isOwnPrivateFolder(fd_)) {
        ::close(fd_);
        fd_ = -1;
        owned_ = false;
    }
}

PlaceFolder::~PlaceFolder() {
    if (owned_) ::close(fd_);
}

bool isOwnPrivateFolder(int fd) {
    struct stat status;
    return ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() &&
           (status.st_mode & 077) == 0;
}

bool syncFolder(int folder) { return folder >= 0 && ::fsync(folder) == 0; }

bool takeOwnerAndMode(int fd, const struct stat& original) {
    [[maybe_unused]] const int ownerKept = ::fchown(fd, original.st_uid, original.st_gid);
    return ::fchmod(fd, original.st_mode & 07777) == 0;
}

// The identity from what statx tells of a file.
bool identityOf(int folder, const char* path, int flags, FileIdentity* identity) {
    struct statx status;
    if (::statx(folder, path, flags, STATX_INO | STATX_BTIME, &status) != 0) return false;
    *identity = FileIdentity{};
    const std::uint64_t parts[] = {
        std::uint64_t{status.stx_dev_major} << 32 | status.stx_dev_minor, status.stx_ino,
        (status.stx_mask & STATX_BTIME) != 0 ? static_cast<std::uint64_t>(status.stx_btime.tv_sec) : 0,
        (status.stx_mask & STATX_BTIME) != 0 ? status.stx_btime.tv_nsec : 0u};
    static_assert(sizeof parts == sizeof identity->bytes, "the identity holds these four numbers");
    std::memcpy(identity->bytes, parts, sizeof parts);
    return true;
}

}  // namespace kelvane::platform::folders
