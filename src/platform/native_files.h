// The platform's bodies of the file operations (posix/ or win32/), gathered into the
// table of platform/file_system.h; nothing else calls them directly.
#pragma once
#include "platform/file_system.h"

namespace kelvane::platform::native {

FileHandle openRead(const char* path);
bool checkWritable(const char* path);
bool fullPath(const char* path, char full[PATH_CAPACITY]);
FileHandle createTemp(const char* target, char tempPath[PATH_CAPACITY]);
std::int64_t size(FileHandle file);
std::int64_t read(FileHandle file, std::int64_t offset, std::uint8_t* buffer, std::size_t count);
bool write(FileHandle file, const std::uint8_t* bytes, std::size_t count);
bool flush(FileHandle file);
bool sync(const char* path);
ReplaceOutcome replace(const char* target, const char* replacement);
bool close(FileHandle file);
bool remove(const char* path);

}  // namespace kelvane::platform::native
