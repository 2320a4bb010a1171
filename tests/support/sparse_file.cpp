// Reading goes through the library's own file operations, which take 64-bit offsets on
// both targets (the C runtime of the 32-bit target does not).
#include "support/sparse_file.h"

#include "crypt/container_writer.h"
#include "platform/file_system.h"

namespace kelvane::test {

std::int64_t fileSize64(const std::string& path) {
    const platform::FileSystem& files = platform::platformFileSystem();
    const platform::FileHandle file = files.openRead(path.c_str());
    if (file == platform::NO_FILE) return -1;
    const std::int64_t size = files.size(file);
    files.close(file);
    return size;
}

Bytes readAt(const std::string& path, std::int64_t offset, std::size_t count) {
    const platform::FileSystem& files = platform::platformFileSystem();
    const platform::FileHandle file = files.openRead(path.c_str());
    if (file == platform::NO_FILE) return {};
    Bytes bytes(count);
    const std::int64_t got = readFully(file, offset, bytes.data(), count);
    files.close(file);
    bytes.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    return bytes;
}

}  // namespace kelvane::test
