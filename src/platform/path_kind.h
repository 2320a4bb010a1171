// What a path names, for writers that may create the file but must leave anything else
// (a folder, a FIFO that would block, a device) alone.
#pragma once

namespace kelvane::platform {

enum class PathKind {
    Missing,      // nothing there (or nothing this caller can see)
    RegularFile,  // a file, symbolic links followed
    Other,        // a folder, FIFO, device or socket
};

PathKind pathKind(const char* path);

}  // namespace kelvane::platform
