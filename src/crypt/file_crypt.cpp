#include "crypt/file_crypt.h"

#include <algorithm>

#include "crypt/container_header.h"
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

// Whether the file begins with a header; -1 when it cannot be read.
int startsWithHeader(const char* path) {
    platform::FileSystem& files = platform::fileSystem();
    const FileHandle source = files.openRead(path);
    if (source == platform::NO_FILE) return -1;
    const std::int64_t size = files.size(source);
    std::uint8_t first[HEADER_SIZE];
    const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(size, HEADER_SIZE));
    const std::int64_t count = size < 0 ? -1 : readFully(source, 0, first, wanted);
    files.close(source);  // only read from
    if (count < 0) return -1;
    return isEncryptedFile(first, static_cast<std::size_t>(count)) ? 1 : 0;
}

}  // namespace

int cryptFile(const char* path) {
    if (path == nullptr) return FILE_CANNOT_READ;
    // An interrupted call may have left the file half-written: its original comes back
    // before the header test looks at it.
    if (!platform::restoreInterruptedRewrite(path)) return FILE_WRITE_FAILED;
    switch (startsWithHeader(path)) {
    case -1:
        return FILE_CANNOT_READ;
    case 1:
        return keepContainer(path);
    default:
        return writeContainer(path);
    }
}

}  // namespace kelvane
