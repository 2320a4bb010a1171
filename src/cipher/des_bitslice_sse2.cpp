// Bit-sliced DES with SSE2: 128 blocks a batch; the S-box circuits as and/or/xor/andnot.
#include "cipher/des_bitslice_batch.h"
#include "cipher/vector_ops_sse2.h"

namespace kelvane {
namespace {

// The engine's SSE2 operations, and what the DES batch adds to them.
struct DesSse2Ops : Sse2Ops {
    using Vector = Vec;
    using Key = std::uint32_t;
    static constexpr bool HAS_TERNARY = false;
    static Vec broadcast64(std::uint64_t bits) { return _mm_set1_epi64x(static_cast<long long>(bits)); }
    template <int count>
    static Vec shiftLeft64(Vec v) { return _mm_slli_epi64(v, count); }
    template <int count>
    static Vec shiftRight64(Vec v) { return _mm_srli_epi64(v, count); }
    static Vec bitAndNot(Vec a, Vec b) { return _mm_andnot_si128(a, b); }
    static Vec ones() { return _mm_set1_epi32(-1); }
    static Vec bitNot(Vec a) { return bitXor(a, ones()); }
    static Vec keyed(Vec v, Key mask) { return bitXor(v, broadcast32(mask)); }
    static void feistel(Vec* left, const Vec* right, const Key* key) { des::feistelGates<DesSse2Ops>(left, right, key); }
};

}  // namespace

void desSlicedBatchesSse2(std::uint8_t* blocks, std::size_t batchCount, const DesSliceKeys& keys) {
    for (std::size_t b = 0; b < batchCount; ++b) des::cryptBatch<DesSse2Ops>(blocks + b * 64 * sizeof(__m128i), keys);
}

}  // namespace kelvane
