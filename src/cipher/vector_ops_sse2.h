// The engine's operations on 128-bit SSE2 vectors, for the generic lane code of every
// kernel: IDEA, MD5 (the wide block), bit-sliced DES and hex. Included only by
// kernels_sse2.cpp, which is built with -msse2; everything here has internal linkage, so
// no copy built with these flags can stand in for code that runs as scalar code.
#pragma once
#include <emmintrin.h>

#include <cstdint>

#include "cipher/composed_lane_ops.h"

namespace kelvane {
namespace {

struct Sse2Ops : lanes::ComposedLaneOps<Sse2Ops> {
    using Vec = __m128i;
    // 16-bit and 32-bit lanes in one vector.
    static constexpr int LANES16 = 8;
    static constexpr int LANES32 = 4;

    // A round key bit's mask, as the DES circuits take it; SSE2 has no three-input logic.
    using Key = std::uint32_t;
    static constexpr bool HAS_TERNARY = false;

    static Vec load(const std::uint8_t* bytes) { return _mm_loadu_si128(reinterpret_cast<const Vec*>(bytes)); }
    static void store(std::uint8_t* bytes, Vec v) { _mm_storeu_si128(reinterpret_cast<Vec*>(bytes), v); }
    static Vec zero() { return _mm_setzero_si128(); }
    static Vec broadcast16(std::uint16_t v) { return _mm_set1_epi16(static_cast<short>(v)); }
    static Vec broadcast32(std::uint32_t v) { return _mm_set1_epi32(static_cast<int>(v)); }
    static Vec broadcast8(char v) { return _mm_set1_epi8(v); }
    static Vec broadcast64(std::uint64_t v) { return _mm_set1_epi64x(static_cast<long long>(v)); }
    static Vec ones() { return _mm_set1_epi32(-1); }

    static Vec bitAnd(Vec a, Vec b) { return _mm_and_si128(a, b); }
    static Vec bitOr(Vec a, Vec b) { return _mm_or_si128(a, b); }
    static Vec bitXor(Vec a, Vec b) { return _mm_xor_si128(a, b); }
    static Vec bitAndNot(Vec a, Vec b) { return _mm_andnot_si128(a, b); }  // ~a & b

    static Vec add8(Vec a, Vec b) { return _mm_add_epi8(a, b); }
    static Vec sub8(Vec a, Vec b) { return _mm_sub_epi8(a, b); }
    static Vec greater8(Vec a, Vec b) { return _mm_cmpgt_epi8(a, b); }  // signed bytes
    static Vec add16(Vec a, Vec b) { return _mm_add_epi16(a, b); }
    static Vec sub16(Vec a, Vec b) { return _mm_sub_epi16(a, b); }
    static Vec subSaturated16(Vec a, Vec b) { return _mm_subs_epu16(a, b); }
    static Vec equal16(Vec a, Vec b) { return _mm_cmpeq_epi16(a, b); }
    static Vec mulLow16(Vec a, Vec b) { return _mm_mullo_epi16(a, b); }
    static Vec mulHigh16(Vec a, Vec b) { return _mm_mulhi_epu16(a, b); }
    static Vec add32(Vec a, Vec b) { return _mm_add_epi32(a, b); }
    template <int SHIFT>
    static Vec shiftLeft32(Vec v) { return _mm_slli_epi32(v, SHIFT); }
    template <int SHIFT>
    static Vec shiftRight32(Vec v) { return _mm_srli_epi32(v, SHIFT); }
    template <int SHIFT>
    static Vec shiftLeft16(Vec v) { return _mm_slli_epi16(v, SHIFT); }
    template <int SHIFT>
    static Vec shiftRight16(Vec v) { return _mm_srli_epi16(v, SHIFT); }
    template <int SHIFT>
    static Vec shiftLeft64(Vec v) { return _mm_slli_epi64(v, SHIFT); }
    template <int SHIFT>
    static Vec shiftRight64(Vec v) { return _mm_srli_epi64(v, SHIFT); }

    // Interleaving within each 128-bit lane (here the whole vector).
    static Vec unpackLow16(Vec a, Vec b) { return _mm_unpacklo_epi16(a, b); }
    static Vec unpackHigh16(Vec a, Vec b) { return _mm_unpackhi_epi16(a, b); }
    static Vec unpackLow32(Vec a, Vec b) { return _mm_unpacklo_epi32(a, b); }
    static Vec unpackHigh32(Vec a, Vec b) { return _mm_unpackhi_epi32(a, b); }
    static Vec unpackLow64(Vec a, Vec b) { return _mm_unpacklo_epi64(a, b); }
    static Vec unpackHigh64(Vec a, Vec b) { return _mm_unpackhi_epi64(a, b); }

    // Hex: the digit of each nibble (0-15) without a byte shuffle, which SSE2 lacks:
    // '0' + n, plus 7 where n > 9 to reach 'A'.
    static Vec hexDigits(Vec nibbles) {
        const Vec letters = bitAnd(greater8(nibbles, broadcast8(9)), broadcast8('A' - '0' - 10));
        return add8(add8(nibbles, broadcast8('0')), letters);
    }
    // The bytes of a and b interleaved (a0 b0 a1 b1 ...), in memory order over two vectors.
    static void interleave8(Vec a, Vec b, Vec& first, Vec& second) {
        first = _mm_unpacklo_epi8(a, b);
        second = _mm_unpackhi_epi8(a, b);
    }
    // The 16-bit lanes of a, then of b, each below 256, as bytes in memory order.
    static Vec narrow16(Vec a, Vec b) { return _mm_packus_epi16(a, b); }

    // The 16-byte halves of LANES32 consecutive 32-byte blocks: first[j] holds the first
    // halves of blocks 4j to 4j+3 (here j = 0 only), second[j] the second halves.
    static void loadHalves(const std::uint8_t* blocks, Vec first[4], Vec second[4]) {
        for (int b = 0; b < 4; ++b) {
            first[b] = load(blocks + 32 * b);
            second[b] = load(blocks + 32 * b + 16);
        }
    }
    static void storeHalves(std::uint8_t* blocks, const Vec first[4], const Vec second[4]) {
        for (int b = 0; b < 4; ++b) {
            store(blocks + 32 * b, first[b]);
            store(blocks + 32 * b + 16, second[b]);
        }
    }
};

}  // namespace
}  // namespace kelvane
