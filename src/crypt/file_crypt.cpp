#include "crypt/file_crypt.h"

#include <algorithm>

#include "crypt/container_header.h"
#include "crypt/container_reader.h"
#include "crypt/container_writer.h"
#include "platform/file_rewrite.h"
#include "platform/file_system.h"

namespace kelvane {

using platform::FileHandle;

namespace {

// A container already: nothing to rewrite, but a write opening still decides the result.
int keepContainer(const char* path) {
    platform::FileSystem& files = platform::fileSystem();
    const FileHandle file = files.openWrite(path);
    if (file == platform::NO_FILE) return FILE_CANNOT_READ;
    files.close(file);  // nothing written: the file is as it was whatever the close says
    return FILE_ALREADY;
}

// What a call learns of a file before it decides whether to rewrite it.
struct FileStart {
    bool readable = false;
    std::int64_t size = 0;
    bool header = false;     // its first bytes pass the header test
    bool container = false;  // ...in the layout cryptFile writes, at a container's length
};

FileStart readStart(const char* path) {
    platform::FileSystem& files = platform::fileSystem();
    FileStart start;
    const FileHandle source = files.openRead(path);
    if (source == platform::NO_FILE) return start;
    start.size = files.size(source);
    std::uint8_t first[HEADER_SIZE];
    const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(start.size, HEADER_SIZE));
    const std::int64_t count = start.size < 0 ? -1 : readFully(source, 0, first, wanted);
    files.close(source);  // only read from
    start.readable = count >= 0;
    start.header = start.readable && isEncryptedFile(first, static_cast<std::size_t>(count));
    FileKey key;
    start.container = start.header && isContainerLength(start.size) &&
                      writtenHeaderKey(first, static_cast<std::size_t>(count), &key);
    return start;
}

// An interrupted call may have left the file half-written: its original comes back
// before anything looks at it. 0 when the call goes on, else its result.
int readStartAfterRestore(const char* path, FileStart* start) {
    if (path == nullptr) return FILE_CANNOT_READ;
    if (!platform::restoreInterruptedRewrite(path)) return FILE_WRITE_FAILED;
    *start = readStart(path);
    return start->readable ? 0 : FILE_CANNOT_READ;
}

}  // namespace

int cryptFile(const char* path) {
    FileStart start;
    if (const int ended = readStartAfterRestore(path, &start)) return ended;
    return start.header ? keepContainer(path) : writeContainer(path);
}

int decryptFile(const char* path) {
    FileStart start;
    if (const int ended = readStartAfterRestore(path, &start)) return ended;
    if (!start.container) return FILE_NOT_CONTAINER;
    return restoreContents(path);
}

}  // namespace kelvane
