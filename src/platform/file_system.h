// The file-system calls of file encryption, as one table of operations. Every call the
// container code makes goes through fileSystem(), so that a test can swap one entry
// for a failing one and check what survives. Sizes and offsets are 64-bit everywhere.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kelvane::platform {

// An open file: a descriptor on POSIX, a HANDLE on Windows.
using FileHandle = std::intptr_t;
constexpr FileHandle NO_FILE = -1;

// Room for a full path with its NUL.
constexpr std::size_t PATH_CAPACITY = 4096;

// How a replace ended.
enum class ReplaceOutcome {
    Replaced,    // the replacement stands at the target's path
    Unchanged,   // nothing moved: the target is as it was
    TargetLost,  // the target is gone and the replacement kept its own name: it is the only copy
};

struct FileSystem {
    // An existing file opened for reading, or NO_FILE.
    FileHandle (*openRead)(const char* path);
    // True when the file can be opened for writing; opens it without changing it and closes it.
    bool (*checkWritable)(const char* path);
    // The absolute path of the file itself (symbolic links followed) into `full`.
    bool (*fullPath)(const char* path, char full[PATH_CAPACITY]);
    // A new empty file in the folder of `target`, with the target's permission bits;
    // its path goes to `tempPath`. NO_FILE when it cannot be made.
    FileHandle (*createTemp)(const char* target, char tempPath[PATH_CAPACITY]);
    // The size in bytes, or -1.
    std::int64_t (*size)(FileHandle file);
    // Up to `count` bytes from `offset`: the number read, 0 at the end, -1 on failure.
    std::int64_t (*read)(FileHandle file, std::int64_t offset, std::uint8_t* buffer, std::size_t count);
    // Appends all `count` bytes at the file's position; false when not all were written.
    bool (*write)(FileHandle file, const std::uint8_t* bytes, std::size_t count);
    // Pushes the file's data down to the device.
    bool (*flush)(FileHandle file);
    // Makes the folder's entry for `path` durable, so a following replace cannot lose it.
    bool (*sync)(const char* path);
    // Puts `replacement` in the place of `target` in one step; `target`'s permissions stay.
    ReplaceOutcome (*replace)(const char* target, const char* replacement);
    bool (*close)(FileHandle file);
    bool (*remove)(const char* path);
};

// The table in use: the platform's operations unless a test has swapped an entry.
FileSystem& fileSystem();
// The platform's own operations.
const FileSystem& platformFileSystem();

}  // namespace kelvane::platform
