// Bit-sliced DES with AVX2: 256 blocks a batch; the S-box circuits as and/or/xor/andnot.
#include "cipher/des_bitslice_batch.h"
#include "cipher/vector_ops_avx2.h"

namespace kelvane {
namespace {

// The engine's AVX2 operations, and what the DES batch adds to them.
struct DesAvx2Ops : Avx2Ops {
    using Vector = Vec;
    using Key = std::uint32_t;
    static constexpr bool HAS_TERNARY = false;
    static Vec broadcast64(std::uint64_t bits) { return _mm256_set1_epi64x(static_cast<long long>(bits)); }
    template <int count>
    static Vec shiftLeft64(Vec v) { return _mm256_slli_epi64(v, count); }
    template <int count>
    static Vec shiftRight64(Vec v) { return _mm256_srli_epi64(v, count); }
    static Vec bitAndNot(Vec a, Vec b) { return _mm256_andnot_si256(a, b); }
    static Vec ones() { return _mm256_set1_epi32(-1); }
    static Vec bitNot(Vec a) { return bitXor(a, ones()); }
    static Vec keyed(Vec v, Key mask) { return bitXor(v, broadcast32(mask)); }
    static void feistel(Vec* left, const Vec* right, const Key* key) { des::feistelGates<DesAvx2Ops>(left, right, key); }
};

}  // namespace

void desSlicedBatchesAvx2(std::uint8_t* blocks, std::size_t batchCount, const DesSliceKeys& keys) {
    for (std::size_t b = 0; b < batchCount; ++b) des::cryptBatch<DesAvx2Ops>(blocks + b * 64 * sizeof(__m256i), keys);
}

}  // namespace kelvane
