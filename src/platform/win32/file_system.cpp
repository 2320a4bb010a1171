// File operations on Windows: Win32 handles (64-bit sizes and offsets from a 32-bit
// process), positional ReadFile and WriteFile, FlushFileBuffers. A rewrite always goes in
// place here (see platform/file_rewrite.h), so nothing is ever renamed over a file.
#include "platform/native_files.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "platform/win32/wide_text.h"

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

// "<folder>\.<name><suffix>" for the full path `path`, when the W functions can take it.
bool nameBeside(const char* path, char name[PATH_CAPACITY]) {
    const char* separator = std::strrchr(path, '\\');
    if (separator == nullptr) return false;
    return NameBuilder(name)
        .text(path, static_cast<std::size_t>(separator - path))
        .text("\\.")
        .text(separator + 1)
        .text(JOURNAL_SUFFIX)
        .fitsPath();
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
    const HANDLE handle = CreateFileW(WideName(path).get(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool known = informationOf(handle, information);
    CloseHandle(handle);
    return known;
}

// "<temporary folder>kelvane-journal-<volume><file ID>" in hex: fits whatever the file's
// folder, and is found again from any name of the file.
bool nameFromIdentity(const BY_HANDLE_FILE_INFORMATION& information, char name[PATH_CAPACITY]) {
    wchar_t folder[MAX_PATH + 1];
    const DWORD folderLength = GetTempPathW(MAX_PATH + 1, folder);
    if (folderLength == 0 || folderLength > MAX_PATH) return false;
    const Text folderUtf8 = utf8FromWide(folder, folderLength);
    if (!folderUtf8.valid()) return false;
    return NameBuilder(name)
        .text(folderUtf8.c_str())
        .text("kelvane-journal-")
        .hex8(information.dwVolumeSerialNumber)
        .hex8(information.nFileIndexHigh)
        .hex8(information.nFileIndexLow)
        .fitsPath();
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

}  // namespace

namespace native {

FileHandle openRead(const char* path) {
    const WideName wide(path);
    // Others may keep reading and writing: the rewrite opens the file a second time.
    return diskFileOnly(CreateFileW(wide.get(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

FileHandle openWrite(const char* path) {
    // Windows refuses to open a read-only file for writing; Wine running as root does not,
    // so the attribute is asked first.
    const WideName wide(path);
    const DWORD attributes = GetFileAttributesW(wide.get());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) != 0) return NO_FILE;
    // OPEN_EXISTING: no creation, no truncation. Sharing everything asks of others only
    // the write access itself, so a file another process holds open sharing reading and
    // writing is accepted, as a plain write opening accepts it.
    return diskFileOnly(CreateFileW(wide.get(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle openOrCreate(const char* path) {
    const WideName wide(path);
    // OPEN_ALWAYS: an existing file as it is, else a new empty one; sharing as fopen does.
    return fileOf(CreateFileW(wide.get(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool fullPath(const char* path, char full[PATH_CAPACITY]) {
    const WideName wide(path);
    wchar_t fullWide[PATH_CAPACITY];
    const DWORD length = wide.fits() ? GetFullPathNameW(wide.get(), PATH_CAPACITY, fullWide, nullptr) : 0;
    const Text utf8 = utf8FromWide(fullWide, length < PATH_CAPACITY ? length : 0);
    if (utf8.empty() || utf8.size() >= PATH_CAPACITY) return false;
    std::memcpy(full, utf8.c_str(), utf8.size() + 1);
    return true;
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
    return fileOf(CreateFileW(WideName(name).get(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr));
}

FileHandle openJournal(const char* name, bool* absent) {
    const HANDLE handle =
        CreateFileW(WideName(name).get(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
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

bool remove(const char* path) { return DeleteFileW(WideName(path).get()) != 0; }

}  // namespace native

}  // namespace kelvane::platform
