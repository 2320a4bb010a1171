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

// Slice of each bit of the initial permutation's output: L0 bits 1-32, then R0 bits 1-32.
struct IpSlices {
    std::uint8_t slice[64];
};
constexpr IpSlices makeIpSlices() {
    IpSlices table{};
    for (int k = 0; k < 64; ++k) table.slice[k] = static_cast<std::uint8_t>(laneBitOfStandardBit(STANDARD_IP[k]));
    return table;
}
constexpr IpSlices IP_SLICES = makeIpSlices();

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

// One step of the transposition: rows i and i + shift exchange their bits of `shift`.
template <class Ops, int shift, class V>
inline void transposeStage(V* rows, std::uint64_t lowBits) {
    for (int i = 0; i < 64; ++i) {
        if ((i & shift) == 0) exchangeBits<Ops, shift>(rows[i], rows[i + shift], lowBits);
    }
}

// Transposes the 64 x 64 bit matrix in every 64-bit lane of the 64 rows.
template <class Ops, class V>
inline void transpose(V* rows) {
    transposeStage<Ops, 32>(rows, 0x00000000FFFFFFFFull);
    transposeStage<Ops, 16>(rows, 0x0000FFFF0000FFFFull);
    transposeStage<Ops, 8>(rows, 0x00FF00FF00FF00FFull);
    transposeStage<Ops, 4>(rows, 0x0F0F0F0F0F0F0F0Full);
    transposeStage<Ops, 2>(rows, 0x3333333333333333ull);
    transposeStage<Ops, 1>(rows, 0x5555555555555555ull);
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

// Enciphers or deciphers (as the keys' order says) the 64 * sizeof(V) bytes at `blocks`.
template <class Ops>
void cryptBatch(std::uint8_t* blocks, const DesSliceKeys& keys) {
    using V = typename Ops::Vec;
    V rows[64];
    V halves[64];  // L then R, each bit j at index j-1
    for (int i = 0; i < 64; ++i) rows[i] = Ops::load(blocks + i * sizeof(V));
    transpose<Ops>(rows);
    // The initial permutation as renaming.
    for (int k = 0; k < 64; ++k) halves[k] = rows[IP_SLICES.slice[k]];
    // Rounds in pairs, so that L and R stay where they are instead of swapping.
    for (int round = 0; round < 16; round += 2) {
        feistel<Ops>(halves, halves + 32, keys.masks[round]);
        feistel<Ops>(halves + 32, halves, keys.masks[round + 1]);
    }
    // The output is IP^-1 of R16 L16: R16 (halves 32-63) goes where L0 came from.
    for (int k = 0; k < 64; ++k) rows[IP_SLICES.slice[k]] = halves[k ^ 32];
    transpose<Ops>(rows);
    for (int i = 0; i < 64; ++i) Ops::store(blocks + i * sizeof(V), rows[i]);
}

// `batchCount` consecutive batches.
template <class Ops>
void cryptBatches(std::uint8_t* blocks, std::size_t batchCount, const DesSliceKeys& keys) {
    for (std::size_t b = 0; b < batchCount; ++b) cryptBatch<Ops>(blocks + 8 * BATCH_BLOCKS<Ops> * b, keys);
}

}  // namespace kelvane::des
