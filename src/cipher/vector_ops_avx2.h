// The engine's operations on 256-bit AVX2 vectors, for the generic lane code of every
// kernel: IDEA, MD5 (the wide block), bit-sliced DES and hex. Included only by
// kernels_avx2.cpp and kernels_avx512.cpp (whose hex is AVX2's), each built with flags
// that hold AVX2; everything here has internal linkage, so no copy built with these flags
// can stand in for code that runs on another instruction set.
#pragma once
#include <immintrin.h>

#include <cstdint>

#include "cipher/composed_lane_ops.h"

namespace kelvane {
namespace {

struct Avx2Ops : lanes::ComposedLaneOps<Avx2Ops> {
    using Vec = __m256i;
    // 16-bit and 32-bit lanes in one vector.
    static constexpr int LANES16 = 16;
    static constexpr int LANES32 = 8;

    // A round key bit's mask, as the DES circuits take it; AVX2 has no three-input logic.
    using Key = std::uint32_t;
    static constexpr bool HAS_TERNARY = false;

    static Vec load(const std::uint8_t* bytes) { return _mm256_loadu_si256(reinterpret_cast<const Vec*>(bytes)); }
    static void store(std::uint8_t* bytes, Vec v) { _mm256_storeu_si256(reinterpret_cast<Vec*>(bytes), v); }
    static Vec zero() { return _mm256_setzero_si256(); }
    static Vec broadcast16(std::uint16_t v) { return _mm256_set1_epi16(static_cast<short>(v)); }
    static Vec broadcast32(std::uint32_t v) { return _mm256_set1_epi32(static_cast<int>(v)); }
    static Vec broadcast8(char v) { return _mm256_set1_epi8(v); }
    static Vec broadcast64(std::uint64_t v) { return _mm256_set1_epi64x(static_cast<long long>(v)); }
    static Vec ones() { return _mm256_set1_epi32(-1); }

    static Vec bitAnd(Vec a, Vec b) { return _mm256_and_si256(a, b); }
    static Vec bitOr(Vec a, Vec b) { return _mm256_or_si256(a, b); }
    static Vec bitXor(Vec a, Vec b) { return _mm256_xor_si256(a, b); }
    static Vec bitAndNot(Vec a, Vec b) { return _mm256_andnot_si256(a, b); }  // ~a & b

    static Vec sub8(Vec a, Vec b) { return _mm256_sub_epi8(a, b); }
    static Vec greater8(Vec a, Vec b) { return _mm256_cmpgt_epi8(a, b); }  // signed bytes
    static Vec add16(Vec a, Vec b) { return _mm256_add_epi16(a, b); }
    static Vec sub16(Vec a, Vec b) { return _mm256_sub_epi16(a, b); }
    static Vec subSaturated16(Vec a, Vec b) { return _mm256_subs_epu16(a, b); }
    static Vec equal16(Vec a, Vec b) { return _mm256_cmpeq_epi16(a, b); }
    static Vec mulLow16(Vec a, Vec b) { return _mm256_mullo_epi16(a, b); }
    static Vec mulHigh16(Vec a, Vec b) { return _mm256_mulhi_epu16(a, b); }
    static Vec add32(Vec a, Vec b) { return _mm256_add_epi32(a, b); }
    template <int SHIFT>
    static Vec shiftLeft32(Vec v) { return _mm256_slli_epi32(v, SHIFT); }
    template <int SHIFT>
    static Vec shiftRight32(Vec v) { return _mm256_srli_epi32(v, SHIFT); }
    template <int SHIFT>
    static Vec shiftLeft16(Vec v) { return _mm256_slli_epi16(v, SHIFT); }
    template <int SHIFT>
    static Vec shiftRight16(Vec v) { return _mm256_srli_epi16(v, SHIFT); }
    template <int SHIFT>
    static Vec shiftLeft64(Vec v) { return _mm256_slli_epi64(v, SHIFT); }
    template <int SHIFT>
    static Vec shiftRight64(Vec v) { return _mm256_srli_epi64(v, SHIFT); }

    // Interleaving within each 128-bit lane.
    static Vec unpackLow16(Vec a, Vec b) { return _mm256_unpacklo_epi16(a, b); }
    static Vec unpackHigh16(Vec a, Vec b) { return _mm256_unpackhi_epi16(a, b); }
    static Vec unpackLow32(Vec a, Vec b) { return _mm256_unpacklo_epi32(a, b); }
    static Vec unpackHigh32(Vec a, Vec b) { return _mm256_unpackhi_epi32(a, b); }
    static Vec unpackLow64(Vec a, Vec b) { return _mm256_unpacklo_epi64(a, b); }
    static Vec unpackHigh64(Vec a, Vec b) { return _mm256_unpackhi_epi64(a, b); }

    // Hex: the digit of each nibble (0-15), from a 16-entry byte shuffle.
    static Vec hexDigits(Vec nibbles) {
        const Vec digits = _mm256_setr_epi8('0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'A', 'B', 'C', 'D',
                                            'E', 'F', '0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'A', 'B',
                                            'C', 'D', 'E', 'F');
        return _mm256_shuffle_epi8(digits, nibbles);
    }
    // The bytes of a and b interleaved (a0 b0 a1 b1 ...), in memory order over two vectors:
    // the unpacks work per 128-bit lane, and the lanes are put back in order.
    static void interleave8(Vec a, Vec b, Vec& first, Vec& second) {
        const Vec front = _mm256_unpacklo_epi8(a, b);
        const Vec back = _mm256_unpackhi_epi8(a, b);
        first = _mm256_permute2x128_si256(front, back, LOW_LANES);
        second = _mm256_permute2x128_si256(front, back, HIGH_LANES);
    }
    // The 16-bit lanes of a, then of b, each below 256, as bytes in memory order: the pack
    // works per 128-bit lane, so its 64-bit quarters come out as 0, 2, 1, 3.
    static Vec narrow16(Vec a, Vec b) { return _mm256_permute4x64_epi64(_mm256_packus_epi16(a, b), 0xd8); }

    // Gathers the 16-byte halves of LANES32 consecutive 32-byte blocks so that each 128-bit
    // lane of first[j] holds a first half, and the same lane of second[j] the second half
    // of the same block: blocks 2j and 2j+1 go to vector j.
    static void loadHalves(const std::uint8_t* blocks, Vec first[4], Vec second[4]) {
        for (int j = 0; j < 4; ++j) {
            const Vec even = load(blocks + 64 * j);
            const Vec odd = load(blocks + 64 * j + 32);
            first[j] = _mm256_permute2x128_si256(even, odd, LOW_LANES);
            second[j] = _mm256_permute2x128_si256(even, odd, HIGH_LANES);
        }
    }
    // Undoes loadHalves: the same exchange of 128-bit lanes is its own inverse.
    static void storeHalves(std::uint8_t* blocks, const Vec first[4], const Vec second[4]) {
        for (int j = 0; j < 4; ++j) {
            store(blocks + 64 * j, _mm256_permute2x128_si256(first[j], second[j], LOW_LANES));
            store(blocks + 64 * j + 32, _mm256_permute2x128_si256(first[j], second[j], HIGH_LANES));
        }
    }

  private:
    // vperm2i128 selectors: the low lanes of both sources, and the high lanes of both.
    static constexpr int LOW_LANES = 0x20;
    static constexpr int HIGH_LANES = 0x31;
};

}  // namespace
}  // namespace kelvane
