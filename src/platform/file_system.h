// The file-system calls of a file rewrite (platform/file_rewrite.h), as one table of
// operations. Every call the rewrite and the container code make goes through
// fileSystem(), so that a test can swap one entry for a failing one and check what
// survives. Sizes and offsets are 64-bit everywhere.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kelvane::platform {

// An open file: a descriptor on POSIX, a HANDLE on Windows.
using FileHandle = std::intptr_t;
constexpr FileHandle NO_FILE = -1;

// Room for a full path with its NUL.
constexpr std::size_t PATH_CAPACITY = 4096;

// Places where the journal of one file may be: beside it, and the temporary folder.
constexpr int JOURNAL_PLACES = 2;

// What tells one file from every other, also from a later file that gets its number
// again: on POSIX device, inode and birth time; on Windows volume serial and file ID
// (whose sequence number changes when NTFS uses its record again). Unused bytes are zero.
struct FileIdentity {
    std::uint8_t bytes[32];
};

enum class LockAttempt {
    Held,         // this handle holds the lock now
    Busy,         // another handle holds it
    Unsupported,  // the file system has no such locks: calls there are not guarded
    Failed,       // locking failed otherwise
};

struct FileSystem {
    // An existing regular file opened for reading, or NO_FILE.
    FileHandle (*openRead)(const char* path);
    // An existing regular file opened for writing in place: never created, never
    // truncated; others' sharing is respected. NO_FILE when the caller may not write it.
    FileHandle (*openWrite)(const char* path);
    // A regular file opened for reading and writing, made empty when missing; never
    // truncated (the listing file that text is appended to).
    FileHandle (*openOrCreate)(const char* path);
    // The absolute path of the file itself (symbolic links followed) into `full`.
    bool (*fullPath)(const char* path, char full[PATH_CAPACITY]);
    // True only where a new file renamed over `path` provably keeps all that the file is.
    bool (*renameKeepsFile)(const char* path, FileHandle file);
    // A new empty file without a name yet, in the folder of the file at `original`, with
    // its owner and permissions; NO_FILE when it cannot be made. A crash while it is
    // written leaves nothing behind: the system drops a file that never got a name.
    FileHandle (*createNewFile)(const char* original);
    // The names the journal of the file at `path` may have, best place first: `count`
    // is set to how many there are (a name that cannot be formed is left out). A file with
    // one name has its journal beside it first; one with more names in the temporary
    // folder first, under a name made from its identity, so that every name finds it.
    bool (*journalNames)(const char* path, char names[JOURNAL_PLACES][PATH_CAPACITY], int* count);
    // A new owner-only journal at `name`, open for reading and writing; NO_FILE when the
    // name exists or cannot be created.
    FileHandle (*createJournal)(const char* name);
    // An existing journal that this caller made, open for reading. NO_FILE with `absent`
    // set when there is none, or the file there is not one we could have made (another
    // owner, a link); NO_FILE with `absent` clear when one may be there but cannot be opened.
    FileHandle (*openJournal)(const char* name, bool* absent);
    // Takes the file's rewrite lock for this handle (open for writing), without waiting:
    // no other handle on the file may hold it at once, in this process or another, and it
    // is released when the handle closes (also when its process dies).
    LockAttempt (*tryLock)(FileHandle file);
    // The identity of an open file.
    bool (*identity)(FileHandle file, FileIdentity* identity);
    // True when `path` still names the open file (not one renamed over it meanwhile).
    bool (*isNamed)(const char* path, FileHandle file);
    // The size in bytes, or -1.
    std::int64_t (*size)(FileHandle file);
    // Up to `count` bytes from `offset`: the number read, 0 at the end, -1 on failure.
    std::int64_t (*read)(FileHandle file, std::int64_t offset, std::uint8_t* buffer, std::size_t count);
    // All `count` bytes at `offset`; false when not all were written.
    bool (*write)(FileHandle file, std::int64_t offset, const std::uint8_t* bytes, std::size_t count);
    // Cuts or extends the file to `size` bytes.
    bool (*setSize)(FileHandle file, std::int64_t size);
    // Pushes the file's data down to the device.
    bool (*flush)(FileHandle file);
    // Makes the folder's entries for `path` durable (a creation, rename or deletion).
    bool (*sync)(const char* path);
    // Puts the new file `replacement` (from createNewFile, complete and synced) in the
    // place of `target` in one step; false when nothing moved.
    bool (*replace)(const char* target, FileHandle replacement);
    bool (*close)(FileHandle file);
    bool (*remove)(const char* path);
};

// The table in use: the platform's operations unless a test has swapped an entry.
FileSystem& fileSystem();
// The platform's own operations.
const FileSystem& platformFileSystem();

}  // namespace kelvane::platform
