// The platform's bodies of the file operations (linux/ or win32/), gathered into the
// table of platform/file_system.h; nothing else calls them directly.
#pragma once
#include "platform/file_system.h"

namespace kelvane::platform::native {

FileHandle openRead(const char* path);
FileHandle openHeld(const char* path, FilePlace* place);
bool placeOf(const char* path, FilePlace* place);
FileHandle openOrCreate(const char* path);
bool renameKeepsFile(const FilePlace& place, FileHandle file);
FileHandle createNewFile(const FilePlace& place, FileHandle original);
bool replace(const FilePlace& place, FileHandle replacement, FileHandle original);
void journalPlaces(const FilePlace& file, FileHandle handle, FilePlace places[JOURNAL_PLACES], int* count);
FileHandle createJournal(const FilePlace& place);
FileHandle openJournal(const FilePlace& place, bool* absent);
bool removeJournal(const FilePlace& place);
bool setAside(const FilePlace& place);
LockAttempt tryLock(FileHandle file);
bool identity(FileHandle file, FileIdentity* identity);
bool isNamed(const FilePlace& place, FileHandle file);
std::int64_t size(FileHandle file);
std::int64_t read(FileHandle file, std::int64_t offset, std::uint8_t* buffer, std::size_t count);
bool write(FileHandle file, std::int64_t offset, const std::uint8_t* bytes, std::size_t count);
bool setSize(FileHandle file, std::int64_t size);
bool flush(FileHandle file);
void forget(FileHandle file, std::int64_t offset, std::int64_t count);
bool syncFolder(const FilePlace& place);
bool seal(const std::uint8_t* record, std::size_t size, std::uint8_t seal[SEAL_SIZE]);
bool close(FileHandle file);

}  // namespace kelvane::platform::native
