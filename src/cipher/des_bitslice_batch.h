// One bit-sliced DES batch, generic over the vector operations `Ops` of an instruction
// set (vector_ops_<set>.h). Included only by the kernels_<set>.cpp sources, each with its
// own Ops in an unnamed namespace, so that every instantiation stays inside its
// translation unit.
//
// A batch is 64 vectors of V loaded straight from the blocks: vector i holds the blocks
// i * L .. i * L + L - 1 (L = sizeof(V) / 8), one per 64-bit lane, least significant
// byte first. Transposing each lane's 64 x 64 bit matrix across the 64 vectors turns
// vector j into the slice of lane bit j; the same transposition turns it back.
#pragma once
#include <cstddef>
#include <cstdint>

#include "cipher/des_bitslice.h"
#include "cipher/des_sbox_circuits.h"
#include "cipher/des_tables.h"

namespace kelvane::des {

// Lane bit (0..63) that holds the standard's block bit `bit` (1..64) after a
// little-endian load: byte 0 holds bits 1-8, bit 1 being its top bit.
constexpr int laneBitOfStandardBit(int bit) { return 8 * ((bit - 1) / 8) + 7 - (bit - 1) % 8; }

// Where each slice goes under the initial permutation: slice s (lane bit s of the blocks)
// becomes half bit IP_HALF_OF_SLICE.slice[s], L0 bits 1-32 being 0-31 and R0 bits 1-32 32-63.
struct SliceTable {
    std::uint8_t slice[64];
};
constexpr SliceTable makeIpHalfOfSlice() {
    SliceTable table{};
    for (int k = 0; k < 64; ++k) table.slice[laneBitOfStandardBit(STANDARD_IP[k])] = static_cast<std::uint8_t>(k);
    return table;
}
constexpr SliceTable IP_HALF_OF_SLICE = makeIpHalfOfSlice();

// Exchanges bit p + shift of `first` with bit p of `second`, for every lane bit p in
// `lowBits` (those without `shift` in them).
template <class Ops, int shift, class V>
inline void exchangeBits(V& first, V& second, std::uint64_t lowBits) {
    if constexpr (Ops::HAS_TERNARY) {
        // Two bit selects (imm 0xCA: A ? B : C) instead of the xor-and-xor.
        const V firstDown = Ops::template shiftRight64<shift>(first);
        const V secondUp = Ops::template shiftLeft64<shift>(second);
        second = Ops::template ternary<0xCA>(Ops::broadcast64(lowBits), firstDown, second);
        first = Ops::template ternary<0xCA>(Ops::broadcast64(lowBits << shift), secondUp, first);
    } else {
        const V differing =
            Ops::bitAnd(Ops::bitXor(Ops::template shiftRight64<shift>(first), second), Ops::broadcast64(lowBits));
        second = Ops::bitXor(second, differing);
        first = Ops::bitXor(first, Ops::template shiftLeft64<shift>(differing));
    }
}

// The bits of each 64-bit lane that stage `shift` of the transposition leaves in place
// in the lower row of a pair (those without `shift` in them).
constexpr std::uint64_t stageLowBits(int shift) {
    std::uint64_t bits = 0;
    for (int p = 0; p < 64; ++p) {
        if ((p & shift) == 0) bits |= std::uint64_t{1} << p;
    }
    return bits;
}

// Rows held in registers by one pass of the transposition: 2^TRANSPOSE_PASS_BITS. Three
// stages a pass where there are 16 or more vector registers (x86-64), two with the eight
// of 32-bit x86, where more would spill.
constexpr int TRANSPOSE_PASS_BITS = sizeof(void*) >= 8 ? 3 : 2;

// Transposing the 64 x 64 bit matrix in every 64-bit lane of 64 rows takes six stages:
// stage `shift` exchanges the bits with `shift` in their lane position of row i with those
// without it of row i + shift, for every i without `shift`. The stages commute, so they
// run in passes: a pass over the row bits FIRST_BIT .. FIRST_BIT + BITS - 1 holds each
// group of 2^BITS rows that differ only in those bits in registers, runs their stages,
// and stores them, instead of every stage loading and storing all 64 rows.

// The stage of row bit FIRST_BIT + BIT on one group (group[k] is the row with k in those bits).
template <class Ops, int FIRST_BIT, int BIT, class V, int GROUP>
inline void groupStage(V (&group)[GROUP]) {
    constexpr int shift = 1 << (FIRST_BIT + BIT);
    for (int k = 0; k < GROUP; ++k) {
        if ((k >> BIT & 1) == 0) exchangeBits<Ops, shift>(group[k], group[k + (1 << BIT)], stageLowBits(shift));
    }
    if constexpr (BIT > 0) groupStage<Ops, FIRST_BIT, BIT - 1>(group);
}

// One pass: `load(i)` gives row i, `store(i, v)` takes it.
template <class Ops, int FIRST_BIT, int BITS, class Load, class Store>
inline void transposePass(Load load, Store store) {
    using V = typename Ops::Vec;
    constexpr int GROUP = 1 << BITS;
    for (int high = 0; high < 64 >> (FIRST_BIT + BITS); ++high) {
        for (int low = 0; low < 1 << FIRST_BIT; ++low) {
            const int base = high << (FIRST_BIT + BITS) | low;
            V group[GROUP];
            for (int k = 0; k < GROUP; ++k) group[k] = load(base + (k << FIRST_BIT));
            groupStage<Ops, FIRST_BIT, BITS - 1>(group);
            for (int k = 0; k < GROUP; ++k) store(base + (k << FIRST_BIT), group[k]);
        }
    }
}

// Transposes the rows that `load` gives into `store`, through `scratch` (64 vectors)
// between the passes.
template <class Ops, class Load, class Store>
inline void transpose(Load load, Store store, typename Ops::Vec* scratch) {
    using V = typename Ops::Vec;
    constexpr int B = TRANSPOSE_PASS_BITS;
    const auto toScratch = [scratch](int i, V v) { scratch[i] = v; };
    const auto fromScratch = [scratch](int i) { return scratch[i]; };
    transposePass<Ops, 6 - B, B>(load, toScratch);
    if constexpr (6 - 2 * B > 0) transposePass<Ops, B, 6 - 2 * B>(fromScratch, toScratch);
    transposePass<Ops, 0, B>(fromScratch, store);
}

// left ^= f(right, key): one vpternlog a node where the set has it, else the cheapest
// formula of each node in and, or, xor and andnot.
template <class Ops, class V>
inline void feistel(V* left, const V* right, const typename Ops::Key* key) {
    if constexpr (Ops::HAS_TERNARY) {
        feistelTernary<Ops>(left, right, key);
    } else {
        feistelGates<Ops>(left, right, key);
    }
}

// Blocks in one batch: 64 vectors of 64-bit lanes.
template <class Ops>
constexpr std::size_t BATCH_BLOCKS = 64 * sizeof(typename Ops::Vec) / 8;

// Batches that go through the rounds side by side: each round waits on the one before,
// and a second batch's round fills that wait (measured: 3-4% more with two, on AVX-512 and AVX2).
constexpr int INTERLEAVED_BATCHES = 2;

// Enciphers or deciphers (as the keys' order says) GROUP consecutive batches of
// 64 * sizeof(V) bytes at `in` into `out`; every batch's loads come before its first
// store, so `out` may be `in`.
template <class Ops, int GROUP>
void cryptBatchGroup(const std::uint8_t* in, std::uint8_t* out, const DesSliceKeys& keys) {
    using V = typename Ops::Vec;
    constexpr std::size_t BATCH_BYTES = 8 * BATCH_BLOCKS<Ops>;
    V scratch[64];
    V halves[GROUP][64];  // per batch L then R, each bit j at index j-1
    // In: the blocks transposed, and the initial permutation as renaming on the way out
    // of the last pass.
    for (int b = 0; b < GROUP; ++b) {
        const std::uint8_t* from = in + BATCH_BYTES * b;
        V* batch = halves[b];
        transpose<Ops>([from](int i) { return Ops::load(from + i * sizeof(V)); },
                       [batch](int slice, V v) { batch[IP_HALF_OF_SLICE.slice[slice]] = v; }, scratch);
    }
    // Rounds in pairs, so that L and R stay where they are instead of swapping.
    for (int round = 0; round < 16; round += 2) {
        for (int b = 0; b < GROUP; ++b) feistel<Ops>(halves[b], halves[b] + 32, keys.masks[round]);
        for (int b = 0; b < GROUP; ++b) feistel<Ops>(halves[b] + 32, halves[b], keys.masks[round + 1]);
    }
    // Out: IP^-1 of R16 L16, R16 (halves 32-63) going where L0 came from, transposed back.
    for (int b = 0; b < GROUP; ++b) {
        std::uint8_t* to = out + BATCH_BYTES * b;
        const V* batch = halves[b];
        transpose<Ops>([batch](int slice) { return batch[IP_HALF_OF_SLICE.slice[slice] ^ 32]; },
                       [to](int i, V v) { Ops::store(to + i * sizeof(V), v); }, scratch);
    }
}

// `batchCount` consecutive batches.
template <class Ops>
void cryptBatches(const std::uint8_t* in, std::uint8_t* out, std::size_t batchCount, const DesSliceKeys& keys) {
    constexpr std::size_t BATCH_BYTES = 8 * BATCH_BLOCKS<Ops>;
    std::size_t b = 0;
    for (; b + INTERLEAVED_BATCHES <= batchCount; b += INTERLEAVED_BATCHES) {
        cryptBatchGroup<Ops, INTERLEAVED_BATCHES>(in + BATCH_BYTES * b, out + BATCH_BYTES * b, keys);
    }
    for (; b < batchCount; ++b) cryptBatchGroup<Ops, 1>(in + BATCH_BYTES * b, out + BATCH_BYTES * b, keys);
}

}  // namespace kelvane::des
