// The MD5 compression function of RFC 1321 on one 64-byte block, without buffering,
// padding or length field: the building block of the wide-block cipher.
#pragma once
#include <cstdint>

namespace kelvane {

// The state words A, B, C, D before the first block of a message.
constexpr std::uint32_t MD5_INITIAL_STATE[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};

// Adds the compression of `block` (sixteen words, least significant byte first) to `state`.
void md5Compress(std::uint32_t state[4], const std::uint8_t block[64]);

}  // namespace kelvane
