// Writes a container for a plain file: the header for a fresh file key, then the
// contents read in blocks, zero-filled to a multiple of 32 and enciphered with DES.
// The file is rewritten through platform/file_rewrite.h, so it stays the same file and
// holds either its former contents or the whole container after any failure.
#pragma once
#include <cstdint>

#include "cipher/cipher.h"
#include "crypt/container_header.h"
#include "platform/file_rewrite.h"
#include "platform/file_system.h"

namespace kelvane {

// Bytes read, enciphered and written at a time: a multiple of 32, so that only the last
// block is zero-filled, and large enough that the per-call costs vanish. The memory a
// call uses stays at this, whatever the file's size.
constexpr std::size_t CONTAINER_BLOCK_SIZE = 16 * CHUNK_LIMIT;

// Rewrites the held file as the container of its contents under `key`: FILE_ENCRYPTED;
// FILE_CANNOT_WRITE when it cannot be opened for it; or FILE_WRITE_FAILED with the file
// as it was.
int writeContainer(platform::HeldFile& file, const FileKey& key);

// Every block of the `size` bytes of `source` enciphered under `key` after the header's
// place, then the header: a file overwritten in place passes the header test only once
// it is complete. False on any failure.
bool streamContainer(platform::FileHandle source, std::int64_t size, const FileKey& key, platform::RewriteSink& sink);

// A rewrite's outcome as the result of a file call: `rewritten` when it was done,
// FILE_CANNOT_WRITE when the file could not be opened for it, else FILE_WRITE_FAILED.
int fileResult(platform::RewriteResult outcome, int rewritten);

// Reads `count` bytes from `offset`, across short reads: the number read (less only at
// the end of the file), or -1.
std::int64_t readFully(platform::FileHandle file, std::int64_t offset, std::uint8_t* buffer, std::size_t count);

}  // namespace kelvane
