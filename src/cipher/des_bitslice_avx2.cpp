// Bit-sliced DES with AVX2: 256 blocks a batch; the S-box circuits as and/or/xor/andnot.
#include <immintrin.h>

#include "cipher/des_bitslice_batch.h"

namespace kelvane {
namespace {

struct Avx2Ops {
    using Vector = __m256i;
    using Key = std::uint32_t;
    static constexpr bool HAS_TERNARY = false;
    static Vector load(const std::uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const Vector*>(p)); }
    static void store(std::uint8_t* p, Vector v) { _mm256_storeu_si256(reinterpret_cast<Vector*>(p), v); }
    static Vector broadcast64(std::uint64_t bits) { return _mm256_set1_epi64x(static_cast<long long>(bits)); }
    template <int count>
    static Vector shiftLeft64(Vector v) { return _mm256_slli_epi64(v, count); }
    template <int count>
    static Vector shiftRight64(Vector v) { return _mm256_srli_epi64(v, count); }
    static Vector andOp(Vector a, Vector b) { return _mm256_and_si256(a, b); }
    static Vector orOp(Vector a, Vector b) { return _mm256_or_si256(a, b); }
    static Vector xorOp(Vector a, Vector b) { return _mm256_xor_si256(a, b); }
    static Vector andnotOp(Vector a, Vector b) { return _mm256_andnot_si256(a, b); }
    static Vector zero() { return _mm256_setzero_si256(); }
    static Vector ones() { return _mm256_set1_epi32(-1); }
    static Vector notOp(Vector a) { return xorOp(a, ones()); }
    static Vector keyed(Vector v, Key mask) { return xorOp(v, _mm256_set1_epi32(static_cast<int>(mask))); }
    static void feistel(Vector* left, const Vector* right, const Key* key) {
        des::feistelGates<Avx2Ops>(left, right, key);
    }
};

}  // namespace

void desSlicedBatchesAvx2(std::uint8_t* blocks, std::size_t batchCount, const DesSliceKeys& keys) {
    for (std::size_t b = 0; b < batchCount; ++b) des::cryptBatch<Avx2Ops>(blocks + b * 64 * sizeof(__m256i), keys);
}

}  // namespace kelvane
