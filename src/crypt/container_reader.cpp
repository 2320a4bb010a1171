#include "crypt/container_reader.h"

#include <algorithm>

#include "crypt/container_io.h"
#include "crypt/file_crypt.h"
#include "crypt/rewrite_note.h"
#include "frame/module_memory.h"
#include "platform/file_rewrite.h"

namespace kelvane {
namespace {

using platform::FileHandle;
using platform::RewriteSink;

constexpr auto HEADER_LENGTH = static_cast<std::int64_t>(HEADER_SIZE);

// The zero bytes at the end of the last block: the fill, and any zeros the file itself
// ended in, which no reader can tell from the fill. Never more than a fill can be: one
// byte short of a fill unit, since a file of whole units gets no fill.
std::size_t trailingFill(const std::uint8_t* block, std::size_t count) {
    std::size_t fill = 0;
    while (fill < FILL_UNIT - 1 && fill < count && block[count - 1 - fill] == 0) ++fill;
    return fill;
}

// The key from the header of the `size` bytes of `source`, if they still form a container.
bool containerKey(FileHandle source, std::int64_t size, FileKey* key) {
    std::uint8_t first[HEADER_SIZE];
    return isContainerLength(size) && readFully(source, 0, first, HEADER_SIZE) == HEADER_LENGTH &&
           writtenHeaderKey(first, HEADER_SIZE, key);
}

}  // namespace

bool streamContents(FileHandle source, std::int64_t size, RewriteSink& sink) {
    FileKey key;
    if (!containerKey(source, size, &key)) return false;
    ModuleBuffer block = newModuleBuffer(CONTAINER_BLOCK_SIZE);
    if (block == nullptr) return false;
    const std::int64_t payload = size - HEADER_LENGTH;
    for (std::int64_t offset = 0; offset < payload;) {
        const auto count = static_cast<std::size_t>(std::min<std::int64_t>(payload - offset, CONTAINER_BLOCK_SIZE));
        if (readFully(source, HEADER_LENGTH + offset, block.get(), count) != static_cast<std::int64_t>(count)) {
            return false;
        }
        decryptChunked(block.get(), count, key.bytes);
        offset += static_cast<std::int64_t>(count);
        const std::size_t kept = offset == payload ? count - trailingFill(block.get(), count) : count;
        if (kept > 0 && !sink.write(offset - static_cast<std::int64_t>(count), block.get(), kept)) return false;
    }
    return true;
}

int restoreContents(platform::HeldFile& file) {
    return fileResult(platform::rewriteFile(file, streamContents, platform::RewriteWay::Either, decipheringNote()),
                      FILE_RESTORED);
}

}  // namespace kelvane
