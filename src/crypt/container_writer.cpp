#include "crypt/container_writer.h"

#include <algorithm>
#include <cstring>

#include "cipher/cipher.h"
#include "crypt/chunked_des.h"
#include "crypt/container_header.h"
#include "crypt/container_io.h"
#include "crypt/file_crypt.h"
#include "crypt/rewrite_note.h"
#include "frame/module_memory.h"
#include "platform/file_rewrite.h"

namespace kelvane {

using platform::FileHandle;
using platform::RewriteSink;

static_assert(CONTAINER_BLOCK_SIZE % 32 == 0, "only the last block may need zero fill");
static_assert(CONTAINER_BLOCK_SIZE % CHUNK_LIMIT == 0, "whole engine chunks per block");

bool streamContainer(FileHandle source, std::int64_t size, const FileKey& key, RewriteSink& sink) {
    ModuleBuffer block = newModuleBuffer(CONTAINER_BLOCK_SIZE);
    if (block == nullptr) return false;
    for (std::int64_t offset = 0; offset < size;) {
        const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(size - offset, CONTAINER_BLOCK_SIZE));
        // A file that shrank meanwhile gives a short read: refused rather than padded.
        if (readFully(source, offset, block.get(), wanted) != static_cast<std::int64_t>(wanted)) return false;
        const std::size_t padded = paddedLength(wanted);
        std::memset(block.get() + wanted, 0, padded - wanted);
        encryptChunked(block.get(), padded, key.bytes);
        if (!sink.write(static_cast<std::int64_t>(HEADER_SIZE) + offset, block.get(), padded)) return false;
        offset += static_cast<std::int64_t>(wanted);
    }
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
