#include "cipher/xor_block.h"

#include <cstddef>

#include "cipher/algorithms.h"

namespace kelvane {

void xorBlock(std::uint8_t block[XOR_BLOCK], const std::uint8_t key[XOR_BLOCK]) {
    for (unsigned i = 0; i < XOR_BLOCK; ++i) block[i] ^= key[i];
}

void xorCryptBuffer(std::uint8_t* buffer, std::size_t blockCount, const std::uint8_t* key,
                    std::uint16_t) {
    for (std::size_t i = 0; i < blockCount; ++i) xorBlock(buffer + XOR_BLOCK * i, key);
}

}  // namespace kelvane
