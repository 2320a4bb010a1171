// The one-byte ranges the open file description locks cover (the file rewrite's, the
// hive's): each lock is one byte far past any contents, so that readers of the contents
// are never in its way.
#pragma once
#include <fcntl.h>

namespace kelvane::platform {

// A lock of `type` (F_RDLCK, F_WRLCK) on the one byte at `offset`.
inline struct flock byteLock(short type, off_t offset) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = offset;
    range.l_len = 1;
    return range;
}

}  // namespace kelvane::platform
