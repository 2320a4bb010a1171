#include "crypt/container_writer.h"

#include <algorithm>
#include <cstring>

#include "cipher/cipher.h"
#include "crypt/chunked_des.h"
#include "crypt/container_header.h"
#include "crypt/container_io.h"
#include "crypt/file_crypt.h"
#include "crypt/rewrite_note.h"
#include "platform/file_rewrite.h"
#include "platform/stream_overlap.h"

namespace kelvane {

using platform::FileHandle;
using platform::RewriteSink;

static_assert(CONTAINER_BLOCK_SIZE % 32 == 0, "only the last block may need zero fill");
static_assert(CONTAINER_BLOCK_SIZE % CHUNK_LIMIT == 0, "whole engine chunks per block");

namespace {

// The container's payload, one block after another: read, zero-filled to whole units at
// the end, enciphered.
class PayloadMaker : public platform::StretchMaker {
public:
    PayloadMaker(FileHandle source, std::int64_t size, const FileKey& key) : source_(source), size_(size), key_(key) {}

    Made make(std::uint8_t* block, platform::Stretch* stretch) override {
        if (offset_ >= size_) return Made::End;
        const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(size_ - offset_, CONTAINER_BLOCK_SIZE));
        // A file that shrank meanwhile gives a short read: refused rather than padded.
        if (readFully(source_, offset_, block, wanted) != static_cast<std::int64_t>(wanted)) return Made::Failed;
        const std::size_t padded = paddedLength(wanted);
        std::memset(block + wanted, 0, padded - wanted);
        encryptChunked(block, padded, key_.bytes);
        const auto read = static_cast<std::int64_t>(wanted);
        *stretch = {static_cast<std::int64_t>(HEADER_SIZE) + offset_, padded, offset_ + read};
        offset_ += read;
        return Made::Stretch;
    }

private:
    FileHandle source_;
    std::int64_t size_;
    const FileKey& key_;
    std::int64_t offset_ = 0;
};

}  // namespace

bool streamContainer(FileHandle source, std::int64_t size, const FileKey& key, RewriteSink& sink) {
    PayloadMaker payload(source, size, key);
    if (!platform::streamStretches(source, CONTAINER_BLOCK_SIZE, payload, sink)) return false;
    const EncryptedFileHeader header = makeHeader(key);
    return sink.write(0, header.bytes, HEADER_SIZE);
}

int writeContainer(platform::HeldFile& file, const FileKey& key) {
    const auto writeFromOriginal = [&key](FileHandle original, std::int64_t size, RewriteSink& sink) {
        return streamContainer(original, size, key, sink);
    };
    return fileResult(platform::rewriteFile(file, writeFromOriginal, platform::RewriteWay::Either, encipheringNote(key)),
                      FILE_ENCRYPTED);
}

}  // namespace kelvane
