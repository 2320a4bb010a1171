// The engine's operations on 512-bit vectors (AVX-512 F and BW), for the generic lane
// code of IDEA, MD5 and bit-sliced DES: compare masks for IDEA's multiplication, vprold
// for MD5's rotations, vpternlogd for its round functions and the DES circuits. Included
// only by kernels_avx512.cpp, which is built with the AVX-512 flags; everything here has
// internal linkage, so no copy built with these flags can stand in for code that runs on
// another instruction set.
#pragma once
#include <immintrin.h>

#include <cstdint>

namespace kelvane {
namespace {

// GCC 12's AVX-512 intrinsics pass an undefined vector as the unused merge source, which
// -W(maybe-)uninitialized reports wherever they are inlined; off for these wrappers only.
#ifndef __clang__
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif
struct Avx512Ops {
    using Vec = __m512i;
    // 16-bit and 32-bit lanes in one vector.
    static constexpr int LANES16 = 32;
    static constexpr int LANES32 = 16;

    // A round key bit's mask, as the DES circuits take it; every node one vpternlogd.
    using Key = std::uint32_t;
    static constexpr bool HAS_TERNARY = true;

    static Vec load(const std::uint8_t* bytes) { return _mm512_loadu_si512(bytes); }
    static void store(std::uint8_t* bytes, Vec v) { _mm512_storeu_si512(bytes, v); }
    static Vec broadcast16(std::uint16_t v) { return _mm512_set1_epi16(static_cast<short>(v)); }
    static Vec broadcast32(std::uint32_t v) { return _mm512_set1_epi32(static_cast<int>(v)); }
    static Vec broadcast64(std::uint64_t v) { return _mm512_set1_epi64(static_cast<long long>(v)); }
    static Vec zero() { return _mm512_setzero_si512(); }
    static Vec ones() { return _mm512_set1_epi32(-1); }

    static Vec bitAnd(Vec a, Vec b) { return _mm512_and_si512(a, b); }
    static Vec bitXor(Vec a, Vec b) { return _mm512_xor_si512(a, b); }
    // Any function of three vectors, bit by bit: imm is its truth table over (a, b, c) = (0xF0, 0xCC, 0xAA).
    template <int imm>
    static Vec ternary(Vec a, Vec b, Vec c) { return _mm512_ternarylogic_epi32(a, b, c, imm); }
    // A slice xor a round key bit's mask (DES).
    static Vec keyed(Vec v, Key mask) { return bitXor(v, broadcast32(mask)); }
    static Vec add16(Vec a, Vec b) { return _mm512_add_epi16(a, b); }
    static Vec add32(Vec a, Vec b) { return _mm512_add_epi32(a, b); }

    template <int SHIFT>
    static Vec rotateLeft32(Vec v) { return _mm512_rol_epi32(v, SHIFT); }
    template <int SHIFT>
    static Vec shiftLeft64(Vec v) { return _mm512_slli_epi64(v, SHIFT); }
    template <int SHIFT>
    static Vec shiftRight64(Vec v) { return _mm512_srli_epi64(v, SHIFT); }

    // MD5's F, G, H, I as vpternlogd truth tables over (b, c, d) = (0xF0, 0xCC, 0xAA):
    // F = b ? c : d, G = d ? b : c, H = b ^ c ^ d, I = c ^ (b | ~d).
    template <int ROUND>
    static Vec md5Mix(Vec b, Vec c, Vec d) {
        constexpr int TABLES[4] = {0xCA, 0xE4, 0x96, 0x39};
        return _mm512_ternarylogic_epi32(b, c, d, TABLES[ROUND]);
    }

    // IDEA's product modulo 65537, as in lanes::ComposedLaneOps::ideaMul, with the two
    // corrections as masked subtractions.
    static Vec ideaMul(Vec a, Vec b) {
        const Vec low = _mm512_mullo_epi16(a, b);
        const Vec high = _mm512_mulhi_epu16(a, b);
        const __mmask32 lowNotAbove = _mm512_cmple_epu16_mask(low, high);
        const __mmask32 zeroProduct = _mm512_cmpeq_epi16_mask(low, high);
        const Vec difference = _mm512_sub_epi16(low, high);
        const Vec residue = _mm512_mask_sub_epi16(difference, lowNotAbove, difference, _mm512_set1_epi16(-1));
        return _mm512_mask_sub_epi16(residue, zeroProduct, residue, _mm512_xor_si512(a, b));
    }

    // Interleaving within each 128-bit lane.
    static Vec unpackLow16(Vec a, Vec b) { return _mm512_unpacklo_epi16(a, b); }
    static Vec unpackHigh16(Vec a, Vec b) { return _mm512_unpackhi_epi16(a, b); }
    static Vec unpackLow32(Vec a, Vec b) { return _mm512_unpacklo_epi32(a, b); }
    static Vec unpackHigh32(Vec a, Vec b) { return _mm512_unpackhi_epi32(a, b); }
    static Vec unpackLow64(Vec a, Vec b) { return _mm512_unpacklo_epi64(a, b); }
    static Vec unpackHigh64(Vec a, Vec b) { return _mm512_unpackhi_epi64(a, b); }

    // Gathers the 16-byte halves of LANES32 consecutive 32-byte blocks so that each 128-bit
    // lane of first[j] holds a first half, and the same lane of second[j] the second half
    // of the same block: blocks 4j to 4j+3 go to vector j.
    static void loadHalves(const std::uint8_t* blocks, Vec first[4], Vec second[4]) {
        for (int j = 0; j < 4; ++j) {
            const Vec pairLow = load(blocks + 128 * j);
            const Vec pairHigh = load(blocks + 128 * j + 64);
            first[j] = _mm512_shuffle_i32x4(pairLow, pairHigh, _MM_SHUFFLE(2, 0, 2, 0));
            second[j] = _mm512_shuffle_i32x4(pairLow, pairHigh, _MM_SHUFFLE(3, 1, 3, 1));
        }
    }
    // Undoes loadHalves: the halves of each block go back side by side.
    static void storeHalves(std::uint8_t* blocks, const Vec first[4], const Vec second[4]) {
        const Vec lowBlocks = _mm512_setr_epi64(0, 1, 8, 9, 2, 3, 10, 11);
        const Vec highBlocks = _mm512_setr_epi64(4, 5, 12, 13, 6, 7, 14, 15);
        for (int j = 0; j < 4; ++j) {
            store(blocks + 128 * j, _mm512_permutex2var_epi64(first[j], lowBlocks, second[j]));
            store(blocks + 128 * j + 64, _mm512_permutex2var_epi64(first[j], highBlocks, second[j]));
        }
    }
};
#ifndef __clang__
#pragma GCC diagnostic pop
#endif

}  // namespace
}  // namespace kelvane
