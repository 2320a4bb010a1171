// The MD5 compression (RFC 1321) of several independent blocks side by side. One MD5
// step depends on the step before, so a single compression waits on its own latency;
// running two lanes step by step lets the processor overlap them. md5Compress is the
// one-lane case of this same code.
#pragma once
#include <cstdint>

#include "cipher/byte_order.h"

namespace kelvane::md5 {

// Per step (i = 0..63): the block word it adds, its sine-derived constant
// floor(abs(sin(i + 1)) * 2^32), and its left rotation.
constexpr std::uint8_t STEP_WORD[64] = {
    0, 1, 2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,  // round 1: i
    1, 6, 11, 0,  5,  10, 15, 4,  9,  14, 3,  8,  13, 2,  7,  12,  // round 2: 5i + 1
    5, 8, 11, 14, 1,  4,  7,  10, 13, 0,  3,  6,  9,  12, 15, 2,   // round 3: 3i + 5
    0, 7, 14, 5,  12, 3,  10, 1,  8,  15, 6,  13, 4,  11, 2,  9,   // round 4: 7i
};
constexpr std::uint32_t STEP_CONSTANT[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};
constexpr std::uint8_t STEP_SHIFT[64] = {
    7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
    5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
    4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
    6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21,
};

constexpr std::uint32_t rotateLeft(std::uint32_t v, int shift) { return v << shift | v >> (32 - shift); }

// The round function of step i: F, G, H, I of RFC 1321, in forms that need fewer
// operations (F: b selects c or d; G: d selects b or c, its halves share no bit).
constexpr std::uint32_t roundFunction(int step, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    switch (step / 16) {
    case 0: return d ^ (b & (c ^ d));
    case 1: return (c & ~d) + (b & d);
    case 2: return b ^ c ^ d;
    default: return c ^ (b | ~d);
    }
}

// Adds the compression of blocks[l] to the four words at states[l], for each lane.
template <int LANES>
inline void compressLanes(std::uint32_t* const* states, const std::uint8_t* const* blocks) {
    std::uint32_t a[LANES], b[LANES], c[LANES], d[LANES];
    for (int l = 0; l < LANES; ++l) {
        a[l] = states[l][0];
        b[l] = states[l][1];
        c[l] = states[l][2];
        d[l] = states[l][3];
    }
#pragma GCC unroll 64
    for (int step = 0; step < 64; ++step) {
        for (int l = 0; l < LANES; ++l) {
            const std::uint32_t word = loadLe32(blocks[l] + 4 * STEP_WORD[step]);
            const std::uint32_t mixed = a[l] + STEP_CONSTANT[step] + word + roundFunction(step, b[l], c[l], d[l]);
            // The four words move one place on: the new b is computed, the old d becomes a.
            const std::uint32_t newB = b[l] + rotateLeft(mixed, STEP_SHIFT[step]);
            a[l] = d[l];
            d[l] = c[l];
            c[l] = b[l];
            b[l] = newB;
        }
    }
    for (int l = 0; l < LANES; ++l) {
        states[l][0] += a[l];
        states[l][1] += b[l];
        states[l][2] += c[l];
        states[l][3] += d[l];
    }
}

}  // namespace kelvane::md5
