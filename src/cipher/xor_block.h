// XOR with the key on 16-byte blocks: its own inverse, so the direction is ignored.
#pragma once
#include <cstdint>

namespace kelvane {

// Block size of the XOR algorithm, and key bytes it reads.
constexpr unsigned XOR_BLOCK = 16;

// Byte i of the block becomes byte i XOR key byte i.
void xorBlock(std::uint8_t block[XOR_BLOCK], const std::uint8_t key[XOR_BLOCK]);

}  // namespace kelvane
