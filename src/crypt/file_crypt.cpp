#include "crypt/file_crypt.h"

#include <algorithm>

#include "crypt/container_header.h"
#include "crypt/container_writer.h"
#include "platform/file_system.h"

namespace kelvane {

using platform::FileHandle;

namespace {

// A container already: nothing to rewrite, but the write check still decides the result.
int keepContainer(FileHandle source, const char* path) {
    platform::FileSystem& files = platform::fileSystem();
    const bool writable = files.checkWritable(path);
    files.close(source);  // only read from: the file is as it was whatever the close says
    return writable ? FILE_ALREADY : FILE_CANNOT_READ;
}

}  // namespace

int cryptFile(const char* path) {
    if (path == nullptr) return FILE_CANNOT_READ;
    platform::FileSystem& files = platform::fileSystem();
    const FileHandle source = files.openRead(path);
    if (source == platform::NO_FILE) return FILE_CANNOT_READ;

    const std::int64_t size = files.size(source);
    std::uint8_t first[HEADER_SIZE];
    const std::int64_t firstCount =
        size < 0 ? -1 : readFully(source, 0, first, static_cast<std::size_t>(std::min<std::int64_t>(size, HEADER_SIZE)));
    if (firstCount < 0) {
        files.close(source);
        return FILE_CANNOT_READ;
    }
    if (isEncryptedFile(first, static_cast<std::size_t>(firstCount))) return keepContainer(source, path);
    return writeContainer(source, size, path);
}

}  // namespace kelvane
