// What a path names, from its attributes: folders and devices are no files.
#include "platform/path_kind.h"

#include <windows.h>

namespace kelvane::platform {

PathKind pathKind(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
    const DWORD notFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE;
    return (attributes & notFile) != 0 ? PathKind::Other : PathKind::RegularFile;
}

}  // namespace kelvane::platform
