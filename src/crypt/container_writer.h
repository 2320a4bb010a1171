// Writes a container for a plain file: the header for a fresh file key, then the
// contents read in blocks, zero-filled to a multiple of 32 and enciphered with DES.
// The new bytes go to a temporary file beside the original, which replaces it in one
// step, so the original is never truncated and survives every failure.
#pragma once
#include <cstdint>

#include "cipher/cipher.h"
#include "platform/file_system.h"

namespace kelvane {

// Bytes read, enciphered and written at a time: a multiple of 32, so that only the last
// block is zero-filled, and large enough that the per-call costs vanish. The memory a
// call uses stays at this, whatever the file's size.
constexpr std::size_t CONTAINER_BLOCK_SIZE = 16 * CHUNK_LIMIT;

// Draws the file key, checks that `path` can be written (else FILE_CANNOT_WRITE), then
// puts the container of the `size` bytes of `source` in the file's place: FILE_ENCRYPTED,
// or FILE_WRITE_FAILED with the file as it was. Closes `source` in every case.
int writeContainer(platform::FileHandle source, std::int64_t size, const char* path);

// Reads `count` bytes from `offset`, across short reads: the number read (less only at
// the end of the file), or -1.
std::int64_t readFully(platform::FileHandle file, std::int64_t offset, std::uint8_t* buffer, std::size_t count);

}  // namespace kelvane
