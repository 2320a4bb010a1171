#include "crypt/container_writer.h"

#include <algorithm>
#include <cstring>

#include "cipher/cipher.h"
#include "crypt/chunked_des.h"
#include "crypt/container_header.h"
#include "crypt/file_crypt.h"
#include "frame/module_memory.h"

namespace kelvane {
namespace {

using platform::FileHandle;
using platform::fileSystem;
using platform::NO_FILE;
using platform::PATH_CAPACITY;
using platform::ReplaceOutcome;

static_assert(CONTAINER_BLOCK_SIZE % 32 == 0, "only the last block may need zero fill");
static_assert(CONTAINER_BLOCK_SIZE % CHUNK_LIMIT == 0, "whole engine chunks per block");

// The header, then every block of the source enciphered, written to `temp`.
bool streamContainer(FileHandle source, std::int64_t size, const FileKey& key, FileHandle temp) {
    const EncryptedFileHeader header = makeHeader(key);
    if (!fileSystem().write(temp, header.bytes, HEADER_SIZE)) return false;
    ModuleBuffer block = newModuleBuffer(CONTAINER_BLOCK_SIZE);
    if (block == nullptr) return false;
    for (std::int64_t offset = 0; offset < size;) {
        const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(size - offset, CONTAINER_BLOCK_SIZE));
        // A file that shrank meanwhile gives a short read: refused rather than padded.
        if (readFully(source, offset, block.get(), wanted) != static_cast<std::int64_t>(wanted)) return false;
        const std::size_t padded = paddedLength(wanted);
        std::memset(block.get() + wanted, 0, padded - wanted);
        encryptChunked(block.get(), padded, key.bytes);
        if (!fileSystem().write(temp, block.get(), padded)) return false;
        offset += static_cast<std::int64_t>(wanted);
    }
    // A file that grew meanwhile would lose its new end in the replacement.
    return fileSystem().size(source) == size;
}

// Writes the container to a new file beside `target` and puts it in the target's place.
int replaceWithContainer(FileHandle source, std::int64_t size, const FileKey& key, const char* target) {
    platform::FileSystem& files = fileSystem();
    char tempPath[PATH_CAPACITY];
    const FileHandle temp = files.createTemp(target, tempPath);
    if (temp == NO_FILE) {
        files.close(source);
        return FILE_WRITE_FAILED;
    }
    bool done = streamContainer(source, size, key, temp);
    done = files.close(source) && done;  // closed on every path
    done = done && files.flush(temp) && files.sync(tempPath);
    done = files.close(temp) && done;
    // ReplaceFileA needs both files closed; rename does not mind.
    if (!done) {
        files.remove(tempPath);
        return FILE_WRITE_FAILED;
    }
    switch (files.replace(target, tempPath)) {
    case ReplaceOutcome::Replaced:
        return FILE_ENCRYPTED;
    case ReplaceOutcome::TargetLost:
        // The container under its temporary name is now the only copy: keep it.
        return FILE_WRITE_FAILED;
    case ReplaceOutcome::Unchanged:
    default:
        files.remove(tempPath);
        return FILE_WRITE_FAILED;
    }
}

}  // namespace

std::int64_t readFully(FileHandle file, std::int64_t offset, std::uint8_t* buffer, std::size_t count) {
    std::size_t total = 0;
    while (total < count) {
        const std::int64_t got =
            fileSystem().read(file, offset + static_cast<std::int64_t>(total), buffer + total, count - total);
        if (got < 0) return -1;
        if (got == 0) break;
        total += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(total);
}

int writeContainer(FileHandle source, std::int64_t size, const char* path) {
    platform::FileSystem& files = fileSystem();
    // Drawn before the write check, so that a refused file still advances the generator.
    const FileKey key = drawFileKey();
    char target[PATH_CAPACITY];
    if (!files.checkWritable(path)) {
        files.close(source);
        return FILE_CANNOT_WRITE;
    }
    // The file itself, not a link to it, and a full path (ReplaceFileA under Wine needs one).
    if (!files.fullPath(path, target)) {
        files.close(source);
        return FILE_WRITE_FAILED;
    }
    return replaceWithContainer(source, size, key, target);
}

}  // namespace kelvane
