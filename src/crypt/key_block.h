// The 16-byte key made from a pass phrase: its first 16 characters, zero-filled.
#pragma once
#include <cstdint>

namespace kelvane {

constexpr unsigned KEY_BLOCK_SIZE = 16;

struct KeyBlock {
    std::uint8_t bytes[KEY_BLOCK_SIZE];
};

KeyBlock makeKeyBlock(const char* passPhrase);

}  // namespace kelvane
