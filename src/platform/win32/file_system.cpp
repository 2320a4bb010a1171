// File operations on Windows: Win32 handles (64-bit sizes and offsets from a 32-bit
// process), GetTempFileNameA beside the target, FlushFileBuffers, and ReplaceFileA with
// full paths, which keeps the replaced file's attributes and ACLs.
#include "platform/native_files.h"

#include <windows.h>

#include <cstring>

#include "platform/win32/narrow_names.h"

namespace kelvane::platform {
namespace {

// Prefix of temporary file names (GetTempFileNameA uses up to three characters).
constexpr char TEMP_PREFIX[] = "kvn";
// Largest count handed to one ReadFile or WriteFile.
constexpr std::size_t IO_LIMIT = 1u << 30;

HANDLE handleOf(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

FileHandle fileOf(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? NO_FILE : reinterpret_cast<FileHandle>(handle);
}

// The folder part of `path` (up to its last separator; "." when it has none).
bool folderOf(const char* path, char folder[PATH_CAPACITY]) {
    const char* separator = nullptr;
    for (const char* at = path; *at != '\0'; ++at) {
        if (*at == '\\' || *at == '/') separator = at;
    }
    if (separator == nullptr) {
        std::strcpy(folder, ".");
        return true;
    }
    const std::size_t length = static_cast<std::size_t>(separator - path) + 1;
    if (length >= PATH_CAPACITY) return false;
    std::memcpy(folder, path, length);
    folder[length] = '\0';
    return true;
}

// A new empty file with a unique name in the folder of `target`; its path goes to `name`.
bool claimNameBeside(const char* target, char name[PATH_CAPACITY]) {
    char folder[PATH_CAPACITY];
    if (!folderOf(target, folder) || std::strlen(folder) + MAX_PATH > PATH_CAPACITY) return false;
    return GetTempFileNameA(folder, TEMP_PREFIX, 0, name) != 0;
}

// A unique name beside `target` that no file has, for ReplaceFileA's backup.
bool unusedNameBeside(const char* target, char name[PATH_CAPACITY]) {
    return claimNameBeside(target, name) && DeleteFileA(name) != 0;
}

}  // namespace

namespace native {

FileHandle openRead(const char* path) {
    if (!fitsNarrowName(path)) return NO_FILE;
    // Others may keep reading and writing: the write check opens the file a second time.
    return fileOf(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

bool checkWritable(const char* path) {
    // Windows refuses to open a read-only file for writing; Wine running as root does not,
    // so the attribute is asked first.
    if (!fitsNarrowName(path)) return false;
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) != 0) return false;
    // OPEN_EXISTING: no truncation; missing access refuses the open.
    const HANDLE handle = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    CloseHandle(handle);
    return true;
}

bool fullPath(const char* path, char full[PATH_CAPACITY]) {
    // ReplaceFileA refuses relative paths under Wine, so every later step uses this one.
    if (!fitsNarrowName(path)) return false;
    const DWORD length = GetFullPathNameA(path, static_cast<DWORD>(PATH_CAPACITY), full, nullptr);
    return length > 0 && length < PATH_CAPACITY;
}

FileHandle createTemp(const char* target, char tempPath[PATH_CAPACITY]) {
    if (!claimNameBeside(target, tempPath)) return NO_FILE;
    const HANDLE handle =
        CreateFileA(tempPath, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) DeleteFileA(tempPath);
    return fileOf(handle);
}

std::int64_t size(FileHandle file) {
    LARGE_INTEGER bytes;
    if (!GetFileSizeEx(handleOf(file), &bytes)) return -1;
    return bytes.QuadPart;
}

std::int64_t read(FileHandle file, std::int64_t offset, std::uint8_t* buffer, std::size_t count) {
    OVERLAPPED position{};  // on a synchronous handle this only carries the 64-bit offset
    position.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset));
    position.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    DWORD got = 0;
    const DWORD wanted = static_cast<DWORD>(count < IO_LIMIT ? count : IO_LIMIT);
    if (ReadFile(handleOf(file), buffer, wanted, &got, &position)) return got;
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
}

bool write(FileHandle file, const std::uint8_t* bytes, std::size_t count) {
    while (count > 0) {
        DWORD put = 0;
        const DWORD wanted = static_cast<DWORD>(count < IO_LIMIT ? count : IO_LIMIT);
        if (!WriteFile(handleOf(file), bytes, wanted, &put, nullptr) || put == 0) return false;
        bytes += put;
        count -= put;
    }
    return true;
}

bool flush(FileHandle file) { return FlushFileBuffers(handleOf(file)) != 0; }

// NTFS journals its folder entries; there is no separate folder sync to make.
bool sync(const char*) { return true; }

ReplaceOutcome replace(const char* target, const char* replacement) {
    // With a backup name of our own, a replace that fails half-way leaves the target
    // where we can find it and put it back, and a successful one leaves no copy of the
    // former contents under a name we do not know.
    char backup[PATH_CAPACITY];
    const bool haveBackup = unusedNameBeside(target, backup);
    if (ReplaceFileA(target, replacement, haveBackup ? backup : nullptr, 0, nullptr, nullptr)) {
        if (haveBackup) DeleteFileA(backup);
        return ReplaceOutcome::Replaced;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 && haveBackup &&
        MoveFileExA(backup, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return ReplaceOutcome::Unchanged;  // the target is back under its name
    }
    // With a backup, 1176 leaves both files under their own names.
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT && haveBackup) return ReplaceOutcome::Unchanged;
    if (error != ERROR_UNABLE_TO_MOVE_REPLACEMENT && error != ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
        return ReplaceOutcome::Unchanged;
    }
    // The target has left its name and cannot be brought back: the replacement must
    // still move, and if it cannot, it is the only copy of the contents and is kept.
    if (MoveFileExA(replacement, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return ReplaceOutcome::Replaced;
    }
    return ReplaceOutcome::TargetLost;
}

bool close(FileHandle file) { return CloseHandle(handleOf(file)) != 0; }

bool remove(const char* path) { return DeleteFileA(path) != 0; }

}  // namespace native

}  // namespace kelvane::platform
