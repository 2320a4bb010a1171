// What a path names, from stat (symbolic links followed).
#include "platform/path_kind.h"

#include <sys/stat.h>

namespace kelvane::platform {

PathKind pathKind(const char* path) {
    struct stat status;
    if (::stat(path, &status) != 0) return PathKind::Missing;
    return S_ISREG(status.st_mode) ? PathKind::RegularFile : PathKind::Other;
}

}  // namespace kelvane::platform
