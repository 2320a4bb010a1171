// DES over a buffer of any size, handed to the engine in chunks of at most CHUNK_LIMIT
// bytes, in order. A chunk that is not a whole number of blocks is left as it is.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kelvane {

// Rounds `size` up to the next multiple of 32 (the zero-fill rule); 0 stays 0.
constexpr std::size_t paddedLength(std::size_t size) { return (size + 31) / 32 * 32; }

void encryptChunked(std::uint8_t* buffer, std::size_t size, const std::uint8_t key[16]);
void decryptChunked(std::uint8_t* buffer, std::size_t size, const std::uint8_t key[16]);

}  // namespace kelvane
