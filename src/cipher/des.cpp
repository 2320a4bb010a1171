// DES (FIPS 46-3), table-driven. The block and key bytes are read as two 32-bit words
// each, least significant byte first; the initial and final permutations are five
// masked swaps; each round ORs eight desSpTable lookups; the schedule takes eight
// desKeyTable lookups per round. The tables and the word layout: des_tables.h.
#include "cipher/des.h"

#include <cstring>

#include "cipher/algorithms.h"
#include "cipher/byte_order.h"
#include "cipher/des_bitslice.h"
#include "cipher/des_tables.h"

namespace kelvane {
namespace {

using des::desKeyTable;
using des::desShiftTable;
using des::desSpTable;
using des::STANDARD_IP;
using des::keyTableIndex;
using des::Word;

// ---- Rotations

constexpr Word rotateLeft(Word value, int count) { return value << count | value >> (32 - count); }
constexpr Word rotateRight(Word value, int count) { return value >> count | value << (32 - count); }

// Word (0: bytes 0-3, 1: bytes 4-7) and bit within it of the standard's bit `bit`
// (1..64) of a block or key: byte 0 holds bits 1-8, bit 1 being its top bit.
constexpr int wordOfStandardBit(int bit) { return (bit - 1) / 32; }
constexpr int shiftOfStandardBit(int bit) { return 8 * ((bit - 1) % 32 / 8) + 7 - (bit - 1) % 8; }

// ---- Initial and final permutations

// Exchanges the bits of `low` selected by `mask` with the bits of `high` selected by
// `mask << shift`.
constexpr void swapMasked(Word& high, Word& low, int shift, Word mask) {
    const Word differing = ((high >> shift) ^ low) & mask;
    low ^= differing;
    high ^= differing << shift;
}

// Afterwards `first` holds R0 and `second` L0 of the standard's IP output, each with
// its bit j at word bit j-1.
constexpr void initialPermutation(Word& first, Word& second) {
    swapMasked(second, first, 4, 0x0f0f0f0f);
    swapMasked(first, second, 16, 0x0000ffff);
    swapMasked(second, first, 2, 0x33333333);
    swapMasked(first, second, 8, 0x00ff00ff);
    swapMasked(second, first, 1, 0x55555555);
}

// The inverse of initialPermutation: the same swaps in reverse order.
constexpr void finalPermutation(Word& first, Word& second) {
    swapMasked(second, first, 1, 0x55555555);
    swapMasked(first, second, 8, 0x00ff00ff);
    swapMasked(second, first, 2, 0x33333333);
    swapMasked(first, second, 16, 0x0000ffff);
    swapMasked(second, first, 4, 0x0f0f0f0f);
}

constexpr bool swapsPerformInitialPermutation() {
    for (int j = 1; j <= 64; ++j) {
        const int input = STANDARD_IP[j - 1];
        Word words[2] = {0, 0};
        words[wordOfStandardBit(input)] = Word{1} << shiftOfStandardBit(input);
        initialPermutation(words[0], words[1]);
        const Word expected[2] = {j > 32 ? Word{1} << (j - 33) : 0, j <= 32 ? Word{1} << (j - 1) : 0};
        if (words[0] != expected[0] || words[1] != expected[1]) return false;
        finalPermutation(words[0], words[1]);
        if (words[wordOfStandardBit(input)] != Word{1} << shiftOfStandardBit(input)) return false;
    }
    return true;
}
static_assert(swapsPerformInitialPermutation(), "the masked swaps must perform IP and its inverse");

// ---- Rounds

// The round function f(R, K) for R and its result in the round layout (des_tables.h):
// even S-boxes read byte windows of R, odd ones of R rotated right by 4.
inline Word feistel(Word right, const Word* roundKey) {
    const Word even = right ^ roundKey[0];
    const Word odd = rotateRight(right, 4) ^ roundKey[1];
    return desSpTable[0][even & 0x3f] | desSpTable[2][even >> 8 & 0x3f] |
           desSpTable[4][even >> 16 & 0x3f] | desSpTable[6][even >> 24 & 0x3f] |
           desSpTable[1][odd & 0x3f] | desSpTable[3][odd >> 8 & 0x3f] |
           desSpTable[5][odd >> 16 & 0x3f] | desSpTable[7][odd >> 24 & 0x3f];
}

// Runs `count` consecutive blocks through the 16 rounds under round keys given in the
// order of use (so it enciphers or deciphers). The blocks go through the rounds side by
// side so that their table loads overlap.
template <int count>
inline void cryptBlocks(std::uint8_t* blocks, const Word* keys) {
    Word left[count];
    Word right[count];
    for (int b = 0; b < count; ++b) {
        Word first = loadLe32(blocks + 8 * b);
        Word second = loadLe32(blocks + 8 * b + 4);
        initialPermutation(first, second);
        // Into the round layout: bit j of a half at word bit j mod 32.
        right[b] = rotateLeft(first, 1);
        left[b] = rotateLeft(second, 1);
    }
    for (int round = 0; round < 16; round += 2) {
        for (int b = 0; b < count; ++b) left[b] ^= feistel(right[b], keys + 2 * round);
        for (int b = 0; b < count; ++b) right[b] ^= feistel(left[b], keys + 2 * round + 2);
    }
    // The output is IP^-1 of R16 L16; the swaps expect R in `first`, so L16 goes there.
    for (int b = 0; b < count; ++b) {
        Word first = rotateRight(left[b], 1);
        Word second = rotateRight(right[b], 1);
        finalPermutation(first, second);
        storeLe32(blocks + 8 * b, first);
        storeLe32(blocks + 8 * b + 4, second);
    }
}

// The schedule's round keys in the order a direction uses them: reversed to decipher.
DesSchedule roundKeysInOrder(const DesSchedule& schedule, std::uint16_t direction) {
    if (direction != 0) return schedule;
    DesSchedule reversed;
    for (int round = 0; round < 16; ++round) {
        reversed.words[2 * round] = schedule.words[30 - 2 * round];
        reversed.words[2 * round + 1] = schedule.words[31 - 2 * round];
    }
    return reversed;
}

// ---- Key schedule

// Permuted choice 1: bit n of C (first row) or D (second row) is key bit STANDARD_PC1[..][n-1].
constexpr std::uint8_t STANDARD_PC1[2][28] = {
    {57, 49, 41, 33, 25, 17, 9, 1, 58, 50, 42, 34, 26, 18, 10, 2, 59, 51, 43, 35, 27, 19, 11, 3,
     60, 52, 44, 36},
    {63, 55, 47, 39, 31, 23, 15, 7, 62, 54, 46, 38, 30, 22, 14, 6, 61, 53, 45, 37, 29, 21, 13, 5,
     28, 20, 12, 4},
};

// C (half 0) or D (half 1) with its bit n at word bit n-1.
Word permutedChoice1(const Word keyWords[2], int half) {
    Word bits = 0;
    for (int n = 1; n <= 28; ++n) {
        const int keyBit = STANDARD_PC1[half][n - 1];
        bits |= (keyWords[wordOfStandardBit(keyBit)] >> shiftOfStandardBit(keyBit) & 1) << (n - 1);
    }
    return bits;
}

// The standard's left rotation of a 28-bit half; its bit 1 is the word's bit 0.
constexpr Word rotateHalf(Word half, int count) { return (half >> count | half << (28 - count)) & 0x0fffffff; }

}  // namespace

DesSchedule desMakeSchedule(const std::uint8_t key[8]) {
    const Word keyWords[2] = {loadLe32(key), loadLe32(key + 4)};
    Word c = permutedChoice1(keyWords, 0);
    Word d = permutedChoice1(keyWords, 1);
    DesSchedule schedule;
    for (int round = 0; round < 16; ++round) {
        const int shift = desShiftTable[round] ? 2 : 1;
        c = rotateHalf(c, shift);
        d = rotateHalf(d, shift);
        const Word fromC = desKeyTable[0][keyTableIndex(0, c)] | desKeyTable[1][keyTableIndex(1, c)] |
                           desKeyTable[2][keyTableIndex(2, c)] | desKeyTable[3][keyTableIndex(3, c)];
        const Word fromD = desKeyTable[4][keyTableIndex(4, d)] | desKeyTable[5][keyTableIndex(5, d)] |
                           desKeyTable[6][keyTableIndex(6, d)] | desKeyTable[7][keyTableIndex(7, d)];
        // Key table entries carry the even-box word in their low and the odd-box word in
        // their high 16 bits; C feeds the low halves of both round key words, D the high.
        schedule.words[2 * round] = (fromC & 0xffff) | fromD << 16;
        schedule.words[2 * round + 1] = fromC >> 16 | (fromD & 0xffff0000);
    }
    return schedule;
}

void desCryptBlock(std::uint8_t block[8], const DesSchedule& schedule, std::uint16_t direction) {
    const DesSchedule keys = roundKeysInOrder(schedule, direction);
    cryptBlocks<1>(block, keys.words);
}

DesKeyedRun desPrepareRun(const std::uint8_t key[8], std::uint16_t direction) {
    const DesSchedule schedule = desMakeSchedule(key);
    return {roundKeysInOrder(schedule, direction), desSliceKeys(schedule, direction)};
}

void desRunBlocks(const DesKeyedRun& run, const std::uint8_t* in, std::uint8_t* out, std::size_t blockCount) {
    // Whole batches on the vector kernels; what they leave goes through the tables, in place.
    std::size_t block = desSlicedCrypt(in, out, blockCount, run.sliceKeys);
    if (block == blockCount) return;
    if (in != out) std::memcpy(out + 8 * block, in + 8 * block, 8 * (blockCount - block));
    // Blocks per pass: four independent blocks keep the table loads busy; measured
    // fastest on x86-64 and on 32-bit x86 alike, spills there notwithstanding.
    constexpr int STRIDE = 4;
    for (; block + STRIDE <= blockCount; block += STRIDE) cryptBlocks<STRIDE>(out + 8 * block, run.roundKeys.words);
    for (; block < blockCount; ++block) cryptBlocks<1>(out + 8 * block, run.roundKeys.words);
}

void desCryptBuffer(std::uint8_t* buffer, std::size_t blockCount, const std::uint8_t* key,
                    std::uint16_t direction) {
    desRunBlocks(desPrepareRun(key, direction), buffer, buffer, blockCount);
}

}  // namespace kelvane
