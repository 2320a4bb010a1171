// Bit-sliced DES with AVX-512: 512 blocks a batch; every node of the S-box circuits is
// one vpternlogd.
#include "cipher/des_bitslice_batch.h"
#include "cipher/vector_ops_avx512.h"

namespace kelvane {
namespace {

// The engine's AVX-512 operations, and what the DES batch adds to them.
struct DesAvx512Ops : Avx512Ops {
    using Vector = Vec;
    using Key = std::uint32_t;
    static constexpr bool HAS_TERNARY = true;
    static Vec broadcast64(std::uint64_t bits) { return _mm512_set1_epi64(static_cast<long long>(bits)); }
    template <int count>
    static Vec shiftLeft64(Vec v) { return _mm512_slli_epi64(v, count); }
    template <int count>
    static Vec shiftRight64(Vec v) { return _mm512_srli_epi64(v, count); }
    static Vec bitAnd(Vec a, Vec b) { return _mm512_and_si512(a, b); }
    static Vec zero() { return _mm512_setzero_si512(); }
    static Vec ones() { return _mm512_set1_epi32(-1); }
    template <int imm>
    static Vec ternary(Vec a, Vec b, Vec c) { return _mm512_ternarylogic_epi32(a, b, c, imm); }
    static Vec keyed(Vec v, Key mask) { return bitXor(v, broadcast32(mask)); }
    static void feistel(Vec* left, const Vec* right, const Key* key) { des::feistelTernary<DesAvx512Ops>(left, right, key); }
};

}  // namespace

void desSlicedBatchesAvx512(std::uint8_t* blocks, std::size_t batchCount, const DesSliceKeys& keys) {
    for (std::size_t b = 0; b < batchCount; ++b) des::cryptBatch<DesAvx512Ops>(blocks + b * 64 * sizeof(__m512i), keys);
}

}  // namespace kelvane
