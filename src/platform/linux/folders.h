// Small steps that the Linux file operations share: a place's folder as a descriptor,
// making its entries durable, giving a new file the owner and mode of the one it
// replaces, and a file's identity.
#pragma once
#include <sys/stat.h>

#include "platform/file_system.h"

namespace kelvane::platform::folders {

// The folder of a place as a descriptor for one operation: the held one, borrowed, or
// the folder at its path, opened here without following a final symbolic link and, with
// `ownOnly`, only when it is a folder of this user's that nobody else may enter.
class PlaceFolder {
public:
    PlaceFolder(const FilePlace& place, bool ownOnly);
    ~PlaceFolder();
    PlaceFolder(const PlaceFolder&) = delete;
    PlaceFolder& operator=(const PlaceFolder&) = delete;

    int fd() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

private:
    int fd_ = -1;
    bool owned_ = false;
};

// True when the folder `fd` is this user's and nobody else may enter it.
bool isOwnPrivateFolder(int fd);

// fsync of the folder, so that a creation, rename or deletion in it survives a power loss.
bool syncFolder(int folder);

// Gives the open file `fd` the permission bits of `original`, and its owner where the
// process may (only root can give a file away, so that step may fail quietly).
bool takeOwnerAndMode(int fd, const struct stat& original);

// The identity (file_system.h) of the file `path` names from `folder`, as statx takes them.
bool identityOf(int folder, const char* path, int flags, FileIdentity* identity);

}  // namespace kelvane::platform::folders
