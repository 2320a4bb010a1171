// Inputs shared by the benchmarks: one CHUNK_LIMIT chunk of fixed pseudo-random bytes.
#pragma once
#include <cstdint>
#include <random>
#include <vector>

#include "cipher/cipher.h"

namespace kelvane::bench {

inline std::vector<std::uint8_t> randomChunk(std::size_t size = CHUNK_LIMIT) {
    std::mt19937 generator(42);
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(generator());
    return bytes;
}

// The 16-byte key every benchmark uses.
inline const std::uint8_t* benchKey() {
    static const std::uint8_t key[16] = {0x13, 0x34, 0x57, 0x79, 0x9B, 0xBC, 0xDF, 0xF1,
                                         0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    return key;
}

}  // namespace kelvane::bench
