// The file-system calls of a file rewrite (platform/file_rewrite.h), as one table of
// operations. Every call the rewrite and the container code make goes through
// fileSystem(), so that a test can swap one entry for a failing one (or one that acts
// for a neighbour at a chosen moment) and check what survives. Sizes and offsets are
// 64-bit everywhere.
//
// Once a file is opened, nothing is found again by its path: the file is worked on
// through its handle, and its folder through a handle held from the same moment, so that
// no rename or swap of a name or a folder afterwards moves a read or a write elsewhere.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kelvane::platform {

// An open file or folder: a descriptor on POSIX, a HANDLE on Windows.
using FileHandle = std::intptr_t;
constexpr FileHandle NO_FILE = -1;

// Room for a full path with its NUL.
constexpr std::size_t PATH_CAPACITY = 4096;
// Room for one name in a folder with its NUL (255 UTF-16 units are up to 765 UTF-8 bytes).
constexpr std::size_t NAME_CAPACITY = 1024;

// Places where the journal of one file may be: beside it, and this user's own folders.
constexpr int JOURNAL_PLACES = 3;

// What tells one file from every other, also from a later file that gets its number
// again: on POSIX device, inode and birth time; on Windows volume serial and file ID
// (whose sequence number changes when NTFS uses its record again). Unused bytes are zero.
struct FileIdentity {
    std::uint8_t bytes[32];
};

// A name in a folder. `folder` is the folder held open (NO_FILE: the platform opens the
// folder at `folderPath` for the one operation, which it does only for this user's own
// journal folders and to look for journals). POSIX works from `folder`; Windows names
// the file by `folderPath`, since the held folder cannot be renamed or deleted while its
// handle is open. `folderPath` ends in the platform's separator.
struct FilePlace {
    FileHandle folder = NO_FILE;
    char folderPath[PATH_CAPACITY] = {};
    char name[NAME_CAPACITY] = {};
    bool own = false;  // in a folder of this user's own, used only when shown to be so
};

enum class LockAttempt {
    Held,         // this handle holds the lock now
    Busy,         // another writer holds it: only a handle that may write the file can
    BusyReader,   // held by a lock that one who may only read the file can take too
    Unsupported,  // the file system has no such locks: calls there are not guarded
    Failed,       // locking failed otherwise
};

// Size of a journal's seal: the mark that shows this user made it (file_rewrite.cpp).
constexpr std::size_t SEAL_SIZE = 32;

struct FileSystem {
    // An existing regular file opened for reading, or NO_FILE.
    FileHandle (*openRead)(const char* path);
    // The regular file at `path` (symbolic links followed) opened for reading and writing
    // in place (never created, never truncated; others' sharing respected), with its
    // folder opened into `place`. NO_FILE when the caller may not read and write it;
    // then nothing is left open.
    FileHandle (*openHeld)(const char* path, FilePlace* place);
    // The folder path (symbolic links followed) and name of the file at `path`, without
    // opening anything: for looking at its journal places only.
    bool (*placeOf)(const char* path, FilePlace* place);
    // A regular file opened for reading and writing, made empty when missing; never
    // truncated (the listing file that text is appended to).
    FileHandle (*openOrCreate)(const char* path);
    // True only where a new file renamed over the held file provably keeps all that it is.
    bool (*renameKeepsFile)(const FilePlace& place, FileHandle file);
    // A new empty file without a name yet, in the held file's folder, with the owner and
    // permissions of `original`; NO_FILE when it cannot be made. A crash while it is
    // written leaves nothing behind: the system drops a file that never got a name.
    FileHandle (*createNewFile)(const FilePlace& place, FileHandle original);
    // Puts `replacement` (from createNewFile, complete and synced) in the place of the
    // held file `original`, in one step, and shows that what it replaced was `original`;
    // false when nothing moved (also when the name had come to lead to another file).
    bool (*replace)(const FilePlace& place, FileHandle replacement, FileHandle original);
    // The places the journal of the held file may have, best first: `count` is set to
    // how many there are. A file with one name has its journal beside it first; one with
    // more names in this user's own folder first, so that every name finds it. Each name
    // comes from the file's identity, so a rename of the file in its folder finds it too.
    void (*journalPlaces)(const FilePlace& file, FileHandle handle, FilePlace places[JOURNAL_PLACES], int* count);
    // A new owner-only journal at `place`, open for reading and writing; NO_FILE when the
    // name exists or cannot be created.
    FileHandle (*createJournal)(const FilePlace& place);
    // An existing journal at `place` that this caller could have made, open for reading.
    // NO_FILE with `absent` set when there is none, or the file there is not one we could
    // have made (another owner, a link); NO_FILE with `absent` clear when one may be there
    // but cannot be opened.
    FileHandle (*openJournal)(const FilePlace& place, bool* absent);
    // Deletes the journal at `place`, durably.
    bool (*removeJournal)(const FilePlace& place);
    // Keeps the journal at `place` under a name of its own beside it, no longer a journal.
    bool (*setAside)(const FilePlace& place);
    // Takes the file's rewrite lock for this handle (open for writing), without waiting:
    // no other handle on the file may hold it at once, in this process or another, and it
    // is released when the handle closes (also when its process dies).
    LockAttempt (*tryLock)(FileHandle file);
    // The identity of an open file.
    bool (*identity)(FileHandle file, FileIdentity* identity);
    // True when the held file's name in its held folder still leads to the open file.
    bool (*isNamed)(const FilePlace& place, FileHandle file);
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
    // The `count` bytes at `offset` are read for the last time: the system may drop them
    // from its cache now rather than when the file goes. Only a hint; nothing else changes.
    void (*forget)(FileHandle file, std::int64_t offset, std::int64_t count);
    // Makes the entries of the folder of `place` durable (a creation, rename or deletion).
    bool (*syncFolder)(const FilePlace& place);
    // The seal of a journal's `record`: what only this user can make (on Windows a keyed
    // digest under a secret of the user's own); all zero where the journal's owner shows
    // it instead (POSIX). False when it cannot be made.
    bool (*seal)(const std::uint8_t* record, std::size_t size, std::uint8_t seal[SEAL_SIZE]);
    bool (*close)(FileHandle file);
    // Runs at the named steps of a rewrite; a test sets it to act as a neighbour would at
    // that moment (replace a name, swap a folder, take a lock). Null: nothing.
    void (*step)(const char* name);
};

// Where the private journal folders go instead of this user's own (a folder path without
// a final separator): a test run sets one of its own, so that runs share no journal folder
// with each other or the machine. Empty everywhere else. Only the POSIX body reads it.
struct JournalFolders {
    char root[PATH_CAPACITY] = {};
};
JournalFolders& journalFolders();

// The table in use: the platform's operations unless a test has swapped an entry.
FileSystem& fileSystem();

// Reads `count` bytes from `offset` through fileSystem(), across short reads: the number
// read (less only at the end of the file), or -1.
std::int64_t readFully(FileHandle file, std::int64_t offset, std::uint8_t* buffer, std::size_t count);
// The platform's own operations.
const FileSystem& platformFileSystem();

// `path` split after its last `separator` into the folder's path (with the separator)
// and the name; false when either part does not fit or there is no separator.
bool splitPath(const char* path, char separator, FilePlace* place);

// The full path of the file at `place` into `path`; false when it does not fit.
bool joinPath(const FilePlace& place, char path[PATH_CAPACITY]);

}  // namespace kelvane::platform
