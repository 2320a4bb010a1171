// Bit-sliced DES with AVX-512: 512 blocks a batch; every node of the S-box circuits is
// one vpternlogd.
#include <immintrin.h>

// GCC 12's AVX-512 shift intrinsics start from a deliberately undefined vector, which
// its own flow analysis then reports as possibly uninitialized.
#ifndef __clang__
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "cipher/des_bitslice_batch.h"

namespace kelvane {
namespace {

struct Avx512Ops {
    using Vector = __m512i;
    using Key = std::uint32_t;
    static constexpr bool HAS_TERNARY = true;
    static Vector load(const std::uint8_t* p) { return _mm512_loadu_si512(p); }
    static void store(std::uint8_t* p, Vector v) { _mm512_storeu_si512(p, v); }
    static Vector broadcast64(std::uint64_t bits) { return _mm512_set1_epi64(static_cast<long long>(bits)); }
    template <int count>
    static Vector shiftLeft64(Vector v) { return _mm512_slli_epi64(v, count); }
    template <int count>
    static Vector shiftRight64(Vector v) { return _mm512_srli_epi64(v, count); }
    static Vector andOp(Vector a, Vector b) { return _mm512_and_si512(a, b); }
    static Vector xorOp(Vector a, Vector b) { return _mm512_xor_si512(a, b); }
    static Vector zero() { return _mm512_setzero_si512(); }
    static Vector ones() { return _mm512_set1_epi32(-1); }
    template <int imm>
    static Vector ternary(Vector a, Vector b, Vector c) { return _mm512_ternarylogic_epi32(a, b, c, imm); }
    static Vector keyed(Vector v, Key mask) { return _mm512_xor_si512(v, _mm512_set1_epi32(static_cast<int>(mask))); }
    static void feistel(Vector* left, const Vector* right, const Key* key) {
        des::feistelTernary<Avx512Ops>(left, right, key);
    }
};

}  // namespace

void desSlicedBatchesAvx512(std::uint8_t* blocks, std::size_t batchCount, const DesSliceKeys& keys) {
    for (std::size_t b = 0; b < batchCount; ++b) des::cryptBatch<Avx512Ops>(blocks + b * 64 * sizeof(__m512i), keys);
}

}  // namespace kelvane
