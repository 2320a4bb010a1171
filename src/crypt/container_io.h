// What the container's writer and reader share: the block each moves at a time, whole
// reads across short ones (the platform's readFully), and a rewrite's outcome as a file
// call's result.
#pragma once
#include <cstddef>
#include <cstdint>

#include "cipher/cipher.h"
#include "platform/file_rewrite.h"
#include "platform/file_system.h"

namespace kelvane {

// Bytes read, enciphered and written at a time: a multiple of 32, so that only the last
// block is zero-filled, and large enough that the per-call costs vanish. The memory a
// call uses stays at STREAM_BLOCKS of these (platform/stream_overlap.h), whatever the
// file's size.
constexpr std::size_t CONTAINER_BLOCK_SIZE = 16 * CHUNK_LIMIT;

// A rewrite's outcome as the result of a file call: `rewritten` when it was done,
// FILE_CANNOT_WRITE when the file could not be opened for it, else FILE_WRITE_FAILED.
int fileResult(platform::RewriteResult outcome, int rewritten);

using platform::readFully;

}  // namespace kelvane
