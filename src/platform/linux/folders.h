// Small steps that the POSIX file replacements share: the folder of a path, making a
// rename in it durable, giving a new file the owner and mode of the one it replaces, and
// a file's identity.
#pragma once
#include <sys/stat.h>

#include "platform/file_system.h"

namespace kelvane::platform::posix {

// The folder part of `path` (up to its last slash; "." when it has none) into `folder`.
bool folderOf(const char* path, char folder[PATH_CAPACITY]);

// fsync of the folder that holds `path`, so that a rename in it survives a power loss.
bool syncFolderOf(const char* path);

// Gives the open file `fd` the permission bits of `original`, and its owner where the
// process may (only root can give a file away, so that step may fail quietly).
bool takeOwnerAndMode(int fd, const struct stat& original);

// Gives the new file `fd` (made with O_TMPFILE) a name beside `target` that no file has:
// ".NAME.kelvane-new-" and random digits, into `name`. False when it cannot.
bool linkNewFile(int fd, const char* target, char name[PATH_CAPACITY]);

// The identity (file_system.h) of the file `path` names from `folder`, as statx takes them.
bool identityOf(int folder, const char* path, int flags, FileIdentity* identity);

}  // namespace kelvane::platform::posix
