// File operations on Windows: Win32 handles (64-bit sizes and offsets from a 32-bit
// process), positional ReadFile and WriteFile, FlushFileBuffers. A rewrite always goes in
// place here (see platform/file_rewrite.h), so nothing is ever renamed over a file. The
// held file and its folder are opened without delete sharing: while the call runs, no
// one can rename or replace either, so the names the journal is made by stay theirs.
#include "platform/native_files.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "platform/win32/journal_guard.h"
#include "platform/win32/wide_text.h"

namespace kelvane::platform {
namespace {

// Largest count handed to one ReadFile or WriteFile.
constexpr std::size_t IO_LIMIT = 1u << 30;
// Names of a journal: beside the file this prefix, in the temporary folder the other, and
// the file's identity in hex after either.
constexpr char JOURNAL_BESIDE_PREFIX[] = ".kelvane-journal-";
constexpr char JOURNAL_TEMPORARY_PREFIX[] = "kelvane-journal-";
// What a journal set aside is called: its name, this, and 8 random hex digits.
constexpr char KEPT_SUFFIX[] = "-kept-";
// Sharing asked of others while a file or folder is held: reading and writing, never
// deleting, which is what a rename or a replacement of it needs.
constexpr DWORD HELD_SHARING = FILE_SHARE_READ | FILE_SHARE_WRITE;

HANDLE handleOf(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

FileHandle fileOf(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? NO_FILE : reinterpret_cast<FileHandle>(handle);
}

// A synchronous handle's 64-bit position for one ReadFile or WriteFile.
OVERLAPPED positionAt(std::int64_t offset) {
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset));
    position.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    return position;
}

// A name put together part by part in a buffer of PATH_CAPACITY bytes, always terminated:
// a few lines of our own where snprintf would bring the C runtime's whole formatter.
class NameBuilder {
public:
    explicit NameBuilder(char* name) : name_(name) { name_[0] = '\0'; }

    NameBuilder& text(const char* part, std::size_t length) {
        if (length >= PATH_CAPACITY - length_) return overflow();
        std::memcpy(name_ + length_, part, length);
        length_ += length;
        name_[length_] = '\0';
        return *this;
    }
    NameBuilder& text(const char* part) { return text(part, std::strlen(part)); }
    // Eight lower-case hexadecimal digits.
    NameBuilder& hex8(std::uint32_t value) {
        char digits[8];
        for (int i = 7; i >= 0; --i, value >>= 4) digits[i] = "0123456789abcdef"[value & 0xF];
        return text(digits, sizeof digits);
    }
    // Whether the whole name fits in a path of MAX_PATH characters.
    bool fitsPath() const { return !overflowed_ && length_ > 0 && length_ < MAX_PATH; }

private:
    NameBuilder& overflow() {
        overflowed_ = true;
        return *this;
    }

    char* name_;
    std::size_t length_ = 0;
    bool overflowed_ = false;
};

// The byte the rewrite lock covers: far past any contents, since a Windows lock also
// stops reads and writes of the bytes it covers through other handles.
constexpr DWORD LOCK_OFFSET_LOW = 0xFFFFFFFEu;
constexpr DWORD LOCK_OFFSET_HIGH = 0x7FFFFFFFu;

// What the system tells of an open file.
bool informationOf(HANDLE handle, BY_HANDLE_FILE_INFORMATION* information) {
    return GetFileInformationByHandle(handle, information) != 0;
}

// Volume serial and file ID. On NTFS the ID carries a sequence number that changes when
// its record is used again, so a later file does not share it. The creation time is left
// out: Wine reports the Unix change time there, which the rewrite itself changes.
FileIdentity identityFrom(const BY_HANDLE_FILE_INFORMATION& information) {
    FileIdentity identity{};
    const std::uint32_t parts[] = {information.dwVolumeSerialNumber, information.nFileIndexHigh,
                                   information.nFileIndexLow};
    static_assert(sizeof parts <= sizeof identity.bytes, "the identity holds these numbers");
    std::memcpy(identity.bytes, parts, sizeof parts);
    return identity;
}

// What the system tells of the file at `path`, opened without asking any access.
bool informationAt(const char* path, BY_HANDLE_FILE_INFORMATION* information) {
    const HANDLE handle = CreateFileW(WideName(path).get(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool known = informationOf(handle, information);
    CloseHandle(handle);
    return known;
}

// The journal's name for a file of this identity, after `prefix`, into `place`'s name,
// when the whole path still fits MAX_PATH.
bool journalName(const char* prefix, const BY_HANDLE_FILE_INFORMATION& information, FilePlace* place) {
    char path[PATH_CAPACITY];
    NameBuilder name(place->name);
    name.text(prefix)
        .hex8(information.dwVolumeSerialNumber)
        .hex8(information.nFileIndexHigh)
        .hex8(information.nFileIndexLow);
    return name.fitsPath() && NameBuilder(path).text(place->folderPath).text(place->name).fitsPath();
}

// The user's temporary folder, with its final backslash, into `place`.
bool temporaryFolder(FilePlace* place) {
    wchar_t folder[MAX_PATH + 1];
    const DWORD folderLength = GetTempPathW(MAX_PATH + 1, folder);
    if (folderLength == 0 || folderLength > MAX_PATH) return false;
    const Text folderUtf8 = utf8FromWide(folder, folderLength);
    return folderUtf8.valid() && NameBuilder(place->folderPath).text(folderUtf8.c_str()).fitsPath();
}

// The full path of a place, as the W functions take it: empty (no file has that name)
// when it does not fit.
WideText widePath(const FilePlace& place) {
    char path[PATH_CAPACITY];
    if (!joinPath(place, path)) path[0] = '\0';
    return wideFromUtf8(path, std::strlen(path));
}

// The handle when it is a file on a disk, else closed: the device names (NUL, COM1, also
// as C:\nul.txt or \\.\NUL) open as character devices, and like a named pipe hold no
// contents to encipher. The Linux body refuses them the same way (not a regular file).
FileHandle diskFileOnly(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE) return NO_FILE;
    if (GetFileType(handle) == FILE_TYPE_DISK) return fileOf(handle);
    CloseHandle(handle);
    return NO_FILE;
}

// The folder opened so that no one can rename or delete it while the handle is open (its
// contents listed: an access that takes part in sharing); where the caller may not list
// it, opened for its attributes alone, which holds nothing but lets the call go on.
HANDLE holdFolder(const wchar_t* folder) {
    const HANDLE held = CreateFileW(folder, FILE_LIST_DIRECTORY, HELD_SHARING, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (held != INVALID_HANDLE_VALUE) return held;
    return CreateFileW(folder, FILE_READ_ATTRIBUTES, HELD_SHARING, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                       nullptr);
}

}  // namespace

namespace native {

FileHandle openRead(const char* path) {
    const WideName wide(path);
    // Others may keep reading and writing: the rewrite opens the file a second time.
    return diskFileOnly(CreateFileW(wide.get(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

bool placeOf(const char* path, FilePlace* place) {
    const WideName wide(path);
    wchar_t fullWide[PATH_CAPACITY];
    const DWORD length = wide.fits() ? GetFullPathNameW(wide.get(), PATH_CAPACITY, fullWide, nullptr) : 0;
    const Text utf8 = utf8FromWide(fullWide, length < PATH_CAPACITY ? length : 0);
    return !utf8.empty() && utf8.size() < PATH_CAPACITY && splitPath(utf8.c_str(), '\\', place);
}

FileHandle openHeld(const char* path, FilePlace* place) {
    if (!placeOf(path, place)) return NO_FILE;
    const WideText folder = wideFromUtf8(place->folderPath, std::strlen(place->folderPath));
    const WideText full = widePath(*place);
    if (!folder.valid() || !full.valid()) return NO_FILE;
    // Windows refuses to open a read-only file for writing; Wine running as root does not,
    // so the attribute is asked first.
    const DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) != 0) return NO_FILE;
    const HANDLE held = holdFolder(folder.c_str());
    if (held == INVALID_HANDLE_VALUE) return NO_FILE;
    // OPEN_EXISTING: no creation, no truncation. Others may go on reading and writing, as
    // a plain write opening accepts; only renaming and deleting wait for the call's end.
    const FileHandle file = diskFileOnly(CreateFileW(full.c_str(), GENERIC_READ | GENERIC_WRITE, HELD_SHARING, nullptr,
                                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file == NO_FILE) {
        CloseHandle(held);
        return NO_FILE;
    }
    place->folder = fileOf(held);
    return file;
}

FileHandle openOrCreate(const char* path) {
    const WideName wide(path);
    // OPEN_ALWAYS: an existing file as it is, else a new empty one; sharing as fopen does.
    return fileOf(CreateFileW(wide.get(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Never renamed: under Wine a replacement takes the new file's Unix mode and loses the
// hidden attribute, and no Win32 call shows the mode it would have to keep.
bool renameKeepsFile(const FilePlace&, FileHandle) { return false; }
FileHandle createNewFile(const FilePlace&, FileHandle) { return NO_FILE; }
bool replace(const FilePlace&, FileHandle, FileHandle) { return false; }

// Beside the file first, whatever its links: the temporary folder comes from the
// environment here (TMP, TEMP), which the next call may not share.
void journalPlaces(const FilePlace& file, FileHandle handle, FilePlace places[JOURNAL_PLACES], int* count) {
    *count = 0;
    BY_HANDLE_FILE_INFORMATION information;
    if (!informationOf(handleOf(handle), &information)) return;
    FilePlace& beside = places[*count];
    std::memcpy(beside.folderPath, file.folderPath, sizeof beside.folderPath);
    beside.folder = file.folder;
    if (journalName(JOURNAL_BESIDE_PREFIX, information, &beside)) ++*count;
    FilePlace& temporary = places[*count];
    temporary.folder = NO_FILE;
    temporary.own = true;
    if (temporaryFolder(&temporary) && journalName(JOURNAL_TEMPORARY_PREFIX, information, &temporary)) ++*count;
}

// Any handle that may read the file can lock the byte, shared or exclusive, so a lock in
// the way shows no writer here: the rewrite's journal does (file_rewrite.cpp).
LockAttempt tryLock(FileHandle file) {
    OVERLAPPED range{};
    range.Offset = LOCK_OFFSET_LOW;
    range.OffsetHigh = LOCK_OFFSET_HIGH;
    if (LockFileEx(handleOf(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &range)) {
        return LockAttempt::Held;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) return LockAttempt::BusyReader;
    return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION ? LockAttempt::Unsupported
                                                                         : LockAttempt::Failed;
}

bool identity(FileHandle file, FileIdentity* identity) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!informationOf(handleOf(file), &information)) return false;
    *identity = identityFrom(information);
    return true;
}

bool isNamed(const FilePlace& place, FileHandle file) {
    char path[PATH_CAPACITY];
    BY_HANDLE_FILE_INFORMATION opened, named;
    return joinPath(place, path) && informationOf(handleOf(file), &opened) && informationAt(path, &named) &&
           opened.dwVolumeSerialNumber == named.dwVolumeSerialNumber && opened.nFileIndexHigh == named.nFileIndexHigh &&
           opened.nFileIndexLow == named.nFileIndexLow;
}

FileHandle createJournal(const FilePlace& place) {
    // CREATE_NEW: never an existing file. Owner-only: the folder may let others write.
    win32::OwnerOnly ownerOnly;
    const WideText path = widePath(place);
    if (!path.valid()) return NO_FILE;
    return fileOf(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, ownerOnly.get(),
                              CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr));
}

FileHandle openJournal(const FilePlace& place, bool* absent) {
    const WideText path = widePath(place);
    *absent = !path.valid();
    if (!path.valid()) return NO_FILE;
    const HANDLE handle =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        *absent = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return NO_FILE;
    }
    BY_HANDLE_FILE_INFORMATION information;
    const bool known = informationOf(handle, &information);
    // Never one that is also another file's name, nor one another user made.
    if (known && information.nNumberOfLinks == 1 && win32::ownedByCaller(handle)) return fileOf(handle);
    CloseHandle(handle);
    *absent = known;
    return NO_FILE;
}

// NTFS journals its folder entries; there is no separate folder sync to make.
bool removeJournal(const FilePlace& place) {
    const WideText path = widePath(place);
    return path.valid() && DeleteFileW(path.c_str()) != 0;
}

bool setAside(const FilePlace& place) {
    char journal[PATH_CAPACITY];
    char kept[PATH_CAPACITY];
    std::uint32_t draw = 0;
    if (!joinPath(place, journal) || !win32::randomBytes(&draw, sizeof draw) ||
        !NameBuilder(kept).text(journal).text(KEPT_SUFFIX).hex8(draw).fitsPath()) {
        return false;
    }
    const WideText from = widePath(place);
    const WideText to = wideFromUtf8(kept, std::strlen(kept));
    return from.valid() && to.valid() && MoveFileExW(from.c_str(), to.c_str(), 0) != 0;
}

bool syncFolder(const FilePlace&) { return true; }

bool seal(const std::uint8_t* record, std::size_t size, std::uint8_t seal[SEAL_SIZE]) {
    return win32::sealRecord(record, size, seal);
}

std::int64_t size(FileHandle file) {
    LARGE_INTEGER bytes;
    if (!GetFileSizeEx(handleOf(file), &bytes)) return -1;
    return bytes.QuadPart;
}

std::int64_t read(FileHandle file, std::int64_t offset, std::uint8_t* buffer, std::size_t count) {
    OVERLAPPED position = positionAt(offset);
    DWORD got = 0;
    const DWORD wanted = static_cast<DWORD>(count < IO_LIMIT ? count : IO_LIMIT);
    if (ReadFile(handleOf(file), buffer, wanted, &got, &position)) return got;
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
}

bool write(FileHandle file, std::int64_t offset, const std::uint8_t* bytes, std::size_t count) {
    while (count > 0) {
        OVERLAPPED position = positionAt(offset);
        DWORD put = 0;
        const DWORD wanted = static_cast<DWORD>(count < IO_LIMIT ? count : IO_LIMIT);
        if (!WriteFile(handleOf(file), bytes, wanted, &put, &position) || put == 0) return false;
        bytes += put;
        offset += put;
        count -= put;
    }
    return true;
}

bool setSize(FileHandle file, std::int64_t size) {
    LARGE_INTEGER end;
    end.QuadPart = size;
    return SetFilePointerEx(handleOf(file), end, nullptr, FILE_BEGIN) && SetEndOfFile(handleOf(file));
}

bool flush(FileHandle file) { return FlushFileBuffers(handleOf(file)) != 0; }

// Windows has no call that drops a file's cached bytes short of closing every handle.
void forget(FileHandle, std::int64_t, std::int64_t) {}

bool close(FileHandle file) { return CloseHandle(handleOf(file)) != 0; }

}  // namespace native

}  // namespace kelvane::platform
