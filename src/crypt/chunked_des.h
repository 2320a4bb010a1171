// DES over a buffer of any size, handed to the engine in chunks of at most CHUNK_LIMIT
// bytes, in order. A chunk that is not a whole number of blocks is left as it is.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kelvane {

// The zero-fill rule: data is extended with zero bytes to a multiple of this.
constexpr std::size_t FILL_UNIT = 32;

// Rounds `size` up to the next multiple of FILL_UNIT; 0 stays 0.
constexpr std::size_t paddedLength(std::size_t size) { return (size + FILL_UNIT - 1) / FILL_UNIT * FILL_UNIT; }

void encryptChunked(std::uint8_t* buffer, std::size_t size, const std::uint8_t key[16]);
void decryptChunked(std::uint8_t* buffer, std::size_t size, const std::uint8_t key[16]);

}  // namespace kelvane
