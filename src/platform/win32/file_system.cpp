// File operations on Windows: Win32 handles (64-bit sizes and offsets from a 32-bit
// process), positional ReadFile and WriteFile, FlushFileBuffers. A rewrite always goes in
// place here (see platform/file_rewrite.h), so nothing is ever renamed over a file.
#include "platform/native_files.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/win32/narrow_names.h"

namespace kelvane::platform {
namespace {

// Largest count handed to one ReadFile or WriteFile.
constexpr std::size_t IO_LIMIT = 1u << 30;
// Name parts of the journal beside a file: a dot, the file's name, this suffix.
constexpr char JOURNAL_SUFFIX[] = ".kelvane-journal";

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

// "<folder>\.<name><suffix>" for the full path `path`, when the A functions can take it.
bool nameBeside(const char* path, char name[PATH_CAPACITY]) {
    const char* separator = std::strrchr(path, '\\');
    if (separator == nullptr) return false;
    const int length = std::snprintf(name, PATH_CAPACITY, "%.*s\\.%s%s", static_cast<int>(separator - path),
                                     path, separator + 1, JOURNAL_SUFFIX);
    return length > 0 && length < MAX_PATH;
}

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
    const HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool known = informationOf(handle, information);
    CloseHandle(handle);
    return known;
}

// Bytes of the identity that are used: volume serial and the 64-bit file ID.
constexpr std::size_t IDENTITY_NAME_BYTES = 12;

// "<temporary folder>kelvane-journal-<identity in hex>": fits whatever the file's
// folder, and is found again from any name of the file.
bool nameFromIdentity(const BY_HANDLE_FILE_INFORMATION& information, char name[PATH_CAPACITY]) {
    char folder[MAX_PATH + 1];
    const DWORD folderLength = GetTempPathA(sizeof folder, folder);
    if (folderLength == 0 || folderLength > MAX_PATH) return false;
    const FileIdentity identity = identityFrom(information);
    char hex[2 * IDENTITY_NAME_BYTES + 1];
    for (std::size_t i = 0; i < IDENTITY_NAME_BYTES; ++i) std::snprintf(hex + 2 * i, 3, "%02x", identity.bytes[i]);
    const int length = std::snprintf(name, PATH_CAPACITY, "%skelvane-journal-%s", folder, hex);
    return length > 0 && length < MAX_PATH;
}

}  // namespace

namespace native {

FileHandle openRead(const char* path) {
    if (!fitsNarrowName(path)) return NO_FILE;
    // Others may keep reading and writing: the rewrite opens the file a second time.
    return fileOf(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

FileHandle openWrite(const char* path) {
    // Windows refuses to open a read-only file for writing; Wine running as root does not,
    // so the attribute is asked first.
    if (!fitsNarrowName(path)) return NO_FILE;
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) != 0) return NO_FILE;
    // OPEN_EXISTING: no creation, no truncation. Sharing everything asks of others only
    // the write access itself, so a file another process holds open sharing reading and
    // writing is accepted, as a plain write opening accepts it.
    return fileOf(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool fullPath(const char* path, char full[PATH_CAPACITY]) {
    if (!fitsNarrowName(path)) return false;
    const DWORD length = GetFullPathNameA(path, static_cast<DWORD>(PATH_CAPACITY), full, nullptr);
    return length > 0 && length < PATH_CAPACITY;
}

// Never renamed: under Wine a replacement takes the new file's Unix mode and loses the
// hidden attribute, and no Win32 call shows the mode it would have to keep.
bool renameKeepsFile(const char*, FileHandle) { return false; }
FileHandle createNewFile(const char*) { return NO_FILE; }
bool replace(const char*, FileHandle) { return false; }

// Beside the file first, whatever its links: the temporary folder comes from the
// environment here (TMP, TEMP), which the next call may not share.
bool journalNames(const char* path, char names[JOURNAL_PLACES][PATH_CAPACITY], int* count) {
    *count = 0;
    if (nameBeside(path, names[*count])) ++*count;
    BY_HANDLE_FILE_INFORMATION information;
    if (informationAt(path, &information) && nameFromIdentity(information, names[*count])) ++*count;
    return true;
}

LockAttempt tryLock(FileHandle file) {
    OVERLAPPED range{};
    range.Offset = LOCK_OFFSET_LOW;
    range.OffsetHigh = LOCK_OFFSET_HIGH;
    if (LockFileEx(handleOf(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &range)) {
        return LockAttempt::Held;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) return LockAttempt::Busy;
    return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION ? LockAttempt::Unsupported
                                                                         : LockAttempt::Failed;
}

bool identity(FileHandle file, FileIdentity* identity) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!informationOf(handleOf(file), &information)) return false;
    *identity = identityFrom(information);
    return true;
}

bool isNamed(const char* path, FileHandle file) {
    BY_HANDLE_FILE_INFORMATION opened, named;
    return informationOf(handleOf(file), &opened) && informationAt(path, &named) &&
           opened.dwVolumeSerialNumber == named.dwVolumeSerialNumber && opened.nFileIndexHigh == named.nFileIndexHigh &&
           opened.nFileIndexLow == named.nFileIndexLow;
}

FileHandle createJournal(const char* name) {
    // CREATE_NEW: never an existing file. The user's temporary folder is the user's own.
    return fileOf(CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_HIDDEN, nullptr));
}

FileHandle openJournal(const char* name, bool* absent) {
    const HANDLE handle =
        CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        *absent = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return NO_FILE;
    }
    BY_HANDLE_FILE_INFORMATION information;
    const bool known = informationOf(handle, &information);
    // Never one that is also another file's name.
    if (known && information.nNumberOfLinks == 1) return fileOf(handle);
    CloseHandle(handle);
    *absent = known;
    return NO_FILE;
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

// NTFS journals its folder entries; there is no separate folder sync to make.
bool sync(const char*) { return true; }

bool close(FileHandle file) { return CloseHandle(handleOf(file)) != 0; }

bool remove(const char* path) { return DeleteFileA(path) != 0; }

}  // namespace native

}  // namespace kelvane::platform
