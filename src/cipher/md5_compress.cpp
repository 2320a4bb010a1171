// MD5 compression (RFC 1321), written out step by step: 64 steps of
// a = b + ((a + f(b, c, d) + word + constant) <<< shift), with the standard sine-derived
// constants (floor(abs(sin(i)) * 2^32) for step i = 1..64), word orders and shifts.
#include "cipher/md5_compress.h"

#include "cipher/byte_order.h"

namespace kelvane {

namespace {

inline std::uint32_t rotateLeft(std::uint32_t v, int shift) {
    return v << shift | v >> (32 - shift);
}

// Round 1: b selects between c and d.
inline std::uint32_t stepF(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                           std::uint32_t wordPlusConstant, int shift) {
    return b + rotateLeft(a + wordPlusConstant + (d ^ (b & (c ^ d))), shift);
}

// Round 2: d selects between b and c; the two halves share no bit, so they are added
// separately and the one without b can start early.
inline std::uint32_t stepG(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                           std::uint32_t wordPlusConstant, int shift) {
    return b + rotateLeft(a + wordPlusConstant + (c & ~d) + (b & d), shift);
}

// Round 3: parity.
inline std::uint32_t stepH(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                           std::uint32_t wordPlusConstant, int shift) {
    return b + rotateLeft(a + wordPlusConstant + (b ^ (c ^ d)), shift);
}

// Round 4.
inline std::uint32_t stepI(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                           std::uint32_t wordPlusConstant, int shift) {
    return b + rotateLeft(a + wordPlusConstant + (c ^ (b | ~d)), shift);
}

}  // namespace

void md5Compress(std::uint32_t state[4], const std::uint8_t block[64]) {
    // Word i of the block, read where it is used rather than copied first: a block
    // that was just written then reaches the steps through one store fewer.
    const auto x = [block](int i) { return loadLe32(block + 4 * i); };
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];

    // Round 1.
    a = stepF(a, b, c, d, x(0) + 0xd76aa478, 7);
    d = stepF(d, a, b, c, x(1) + 0xe8c7b756, 12);
    c = stepF(c, d, a, b, x(2) + 0x242070db, 17);
    b = stepF(b, c, d, a, x(3) + 0xc1bdceee, 22);
    a = stepF(a, b, c, d, x(4) + 0xf57c0faf, 7);
    d = stepF(d, a, b, c, x(5) + 0x4787c62a, 12);
    c = stepF(c, d, a, b, x(6) + 0xa8304613, 17);
    b = stepF(b, c, d, a, x(7) + 0xfd469501, 22);
    a = stepF(a, b, c, d, x(8) + 0x698098d8, 7);
    d = stepF(d, a, b, c, x(9) + 0x8b44f7af, 12);
    c = stepF(c, d, a, b, x(10) + 0xffff5bb1, 17);
    b = stepF(b, c, d, a, x(11) + 0x895cd7be, 22);
    a = stepF(a, b, c, d, x(12) + 0x6b901122, 7);
    d = stepF(d, a, b, c, x(13) + 0xfd987193, 12);
    c = stepF(c, d, a, b, x(14) + 0xa679438e, 17);
    b = stepF(b, c, d, a, x(15) + 0x49b40821, 22);
    // Round 2.
    a = stepG(a, b, c, d, x(1) + 0xf61e2562, 5);
    d = stepG(d, a, b, c, x(6) + 0xc040b340, 9);
    c = stepG(c, d, a, b, x(11) + 0x265e5a51, 14);
    b = stepG(b, c, d, a, x(0) + 0xe9b6c7aa, 20);
    a = stepG(a, b, c, d, x(5) + 0xd62f105d, 5);
    d = stepG(d, a, b, c, x(10) + 0x02441453, 9);
    c = stepG(c, d, a, b, x(15) + 0xd8a1e681, 14);
    b = stepG(b, c, d, a, x(4) + 0xe7d3fbc8, 20);
    a = stepG(a, b, c, d, x(9) + 0x21e1cde6, 5);
    d = stepG(d, a, b, c, x(14) + 0xc33707d6, 9);
    c = stepG(c, d, a, b, x(3) + 0xf4d50d87, 14);
    b = stepG(b, c, d, a, x(8) + 0x455a14ed, 20);
    a = stepG(a, b, c, d, x(13) + 0xa9e3e905, 5);
    d = stepG(d, a, b, c, x(2) + 0xfcefa3f8, 9);
    c = stepG(c, d, a, b, x(7) + 0x676f02d9, 14);
    b = stepG(b, c, d, a, x(12) + 0x8d2a4c8a, 20);
    // Round 3.
    a = stepH(a, b, c, d, x(5) + 0xfffa3942, 4);
    d = stepH(d, a, b, c, x(8) + 0x8771f681, 11);
    c = stepH(c, d, a, b, x(11) + 0x6d9d6122, 16);
    b = stepH(b, c, d, a, x(14) + 0xfde5380c, 23);
    a = stepH(a, b, c, d, x(1) + 0xa4beea44, 4);
    d = stepH(d, a, b, c, x(4) + 0x4bdecfa9, 11);
    c = stepH(c, d, a, b, x(7) + 0xf6bb4b60, 16);
    b = stepH(b, c, d, a, x(10) + 0xbebfbc70, 23);
    a = stepH(a, b, c, d, x(13) + 0x289b7ec6, 4);
    d = stepH(d, a, b, c, x(0) + 0xeaa127fa, 11);
    c = stepH(c, d, a, b, x(3) + 0xd4ef3085, 16);
    b = stepH(b, c, d, a, x(6) + 0x04881d05, 23);
    a = stepH(a, b, c, d, x(9) + 0xd9d4d039, 4);
    d = stepH(d, a, b, c, x(12) + 0xe6db99e5, 11);
    c = stepH(c, d, a, b, x(15) + 0x1fa27cf8, 16);
    b = stepH(b, c, d, a, x(2) + 0xc4ac5665, 23);
    // Round 4.
    a = stepI(a, b, c, d, x(0) + 0xf4292244, 6);
    d = stepI(d, a, b, c, x(7) + 0x432aff97, 10);
    c = stepI(c, d, a, b, x(14) + 0xab9423a7, 15);
    b = stepI(b, c, d, a, x(5) + 0xfc93a039, 21);
    a = stepI(a, b, c, d, x(12) + 0x655b59c3, 6);
    d = stepI(d, a, b, c, x(3) + 0x8f0ccc92, 10);
    c = stepI(c, d, a, b, x(10) + 0xffeff47d, 15);
    b = stepI(b, c, d, a, x(1) + 0x85845dd1, 21);
    a = stepI(a, b, c, d, x(8) + 0x6fa87e4f, 6);
    d = stepI(d, a, b, c, x(15) + 0xfe2ce6e0, 10);
    c = stepI(c, d, a, b, x(6) + 0xa3014314, 15);
    b = stepI(b, c, d, a, x(13) + 0x4e0811a1, 21);
    a = stepI(a, b, c, d, x(4) + 0xf7537e82, 6);
    d = stepI(d, a, b, c, x(11) + 0xbd3af235, 10);
    c = stepI(c, d, a, b, x(2) + 0x2ad7d2bb, 15);
    b = stepI(b, c, d, a, x(9) + 0xeb86d391, 21);

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

}  // namespace kelvane
