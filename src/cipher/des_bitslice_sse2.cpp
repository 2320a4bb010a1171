// Bit-sliced DES with SSE2: 128 blocks a batch; the S-box circuits as and/or/xor/andnot.
#include <emmintrin.h>

#include "cipher/des_bitslice_batch.h"

namespace kelvane {
namespace {

struct Sse2Ops {
    using Vector = __m128i;
    using Key = std::uint32_t;
    static constexpr bool HAS_TERNARY = false;
    static Vector load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const Vector*>(p)); }
    static void store(std::uint8_t* p, Vector v) { _mm_storeu_si128(reinterpret_cast<Vector*>(p), v); }
    static Vector broadcast64(std::uint64_t bits) { return _mm_set1_epi64x(static_cast<long long>(bits)); }
    template <int count>
    static Vector shiftLeft64(Vector v) { return _mm_slli_epi64(v, count); }
    template <int count>
    static Vector shiftRight64(Vector v) { return _mm_srli_epi64(v, count); }
    static Vector andOp(Vector a, Vector b) { return _mm_and_si128(a, b); }
    static Vector orOp(Vector a, Vector b) { return _mm_or_si128(a, b); }
    static Vector xorOp(Vector a, Vector b) { return _mm_xor_si128(a, b); }
    static Vector andnotOp(Vector a, Vector b) { return _mm_andnot_si128(a, b); }
    static Vector zero() { return _mm_setzero_si128(); }
    static Vector ones() { return _mm_set1_epi32(-1); }
    static Vector notOp(Vector a) { return xorOp(a, ones()); }
    static Vector keyed(Vector v, Key mask) { return xorOp(v, _mm_set1_epi32(static_cast<int>(mask))); }
    static void feistel(Vector* left, const Vector* right, const Key* key) {
        des::feistelGates<Sse2Ops>(left, right, key);
    }
};

}  // namespace

void desSlicedBatchesSse2(std::uint8_t* blocks, std::size_t batchCount, const DesSliceKeys& keys) {
    for (std::size_t b = 0; b < batchCount; ++b) des::cryptBatch<Sse2Ops>(blocks + b * 64 * sizeof(__m128i), keys);
}

}  // namespace kelvane
