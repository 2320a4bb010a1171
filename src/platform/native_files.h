// The platform's bodies of the file operations (linux/ or win32/), gathered into the
// table of platform/file_system.h; nothing else calls them directly.
#pragma once
#include "platform/file_system.h"

namespace kelvane::platform::native {

FileHandle openRead(const char* path);
FileHandle openWrite(const char* path);
FileHandle openOrCreate(const char* path);
bool fullPath(const char* path, char full[PATH_CAPACITY]);
bool renameKeepsFile(const char* path, FileHandle file);
FileHandle createNewFile(const char* original);
bool journalNames(const char* path, char names[JOURNAL_PLACES][PATH_CAPACITY], int* count);
FileHandle createJournal(const char* name);
FileHandle openJournal(const char* name, bool* absent);
LockAttempt tryLock(FileHandle file);
bool identity(FileHandle file, FileIdentity* identity);
bool isNamed(const char* path, FileHandle file);
std::int64_t size(FileHandle file);
std::int64_t read(FileHandle file, std::int64_t offset, std::uint8_t* buffer, std::size_t count);
bool write(FileHandle file, std::int64_t offset, const std::uint8_t* bytes, std::size_t count);
bool setSize(FileHandle file, std::int64_t size);
bool flush(FileHandle file);
bool sync(const char* path);
bool replace(const char* target, FileHandle replacement);
bool close(FileHandle file);
bool remove(const char* path);

}  // namespace kelvane::platform::native
