#include "crypt/container_reader.h"

#include <algorithm>

#include "crypt/container_io.h"
#include "crypt/file_crypt.h"
#include "crypt/rewrite_note.h"
#include "platform/file_rewrite.h"
#include "platform/stream_overlap.h"

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

// The container's payload deciphered, one block after another; the last without its fill.
class ContentsMaker : public platform::StretchMaker {
public:
    ContentsMaker(FileHandle source, std::int64_t payload, const FileKey& key)
        : source_(source), payload_(payload), key_(key) {}

    Made make(std::uint8_t* block, platform::Stretch* stretch) override {
        if (offset_ >= payload_) return Made::End;
        const auto count = static_cast<std::size_t>(std::min<std::int64_t>(payload_ - offset_, CONTAINER_BLOCK_SIZE));
        if (readFully(source_, HEADER_LENGTH + offset_, block, count) != static_cast<std::int64_t>(count)) {
            return Made::Failed;
        }
        decryptChunked(block, count, key_.bytes);
        const bool last = offset_ + static_cast<std::int64_t>(count) == payload_;
        const std::size_t kept = last ? count - trailingFill(block, count) : count;
        *stretch = {offset_, kept, HEADER_LENGTH + offset_ + static_cast<std::int64_t>(count)};
        offset_ += static_cast<std::int64_t>(count);
        return Made::Stretch;
    }

private:
    FileHandle source_;
    std::int64_t payload_;
    const FileKey& key_;
    std::int64_t offset_ = 0;
};

}  // namespace

bool streamContents(FileHandle source, std::int64_t size, RewriteSink& sink) {
    FileKey key;
    if (!containerKey(source, size, &key)) return false;
    ContentsMaker contents(source, size - HEADER_LENGTH, key);
    return platform::streamStretches(source, CONTAINER_BLOCK_SIZE, contents, sink);
}

int restoreContents(platform::HeldFile& file) {
    return fileResult(platform::rewriteFile(file, streamContents, platform::RewriteWay::Either, decipheringNote()),
                      FILE_RESTORED);
}

}  // namespace kelvane
