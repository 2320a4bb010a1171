// The DES lookup tables, computed at compile time from the standard's S-boxes, P and
// PC-2 (FIPS 46-3, printed below) for the word layout that des.cpp works in.
//
// Word layout. A 32-bit half of the block (L or R) is held with its bit j (1..32, bit 1
// first in the standard's order) at word bit j mod 32: bit 32 at word bit 0, bit 1 at
// word bit 1, and so on. In that layout S-box s (0..7) reads R bits 4s..4s+5 (cyclic),
// which sit at word bits 4s..4s+5: for even s that is the byte-aligned window
// 8*(s/2)..8*(s/2)+5 of R, for odd s the same window of R rotated right by 4. A round
// key is therefore held as two words, one for the even and one for the odd S-boxes,
// each with the key bits of S-box s in the window 8*(s/2)..8*(s/2)+5.
//
// Key schedule layout. The halves C and D of permuted choice 1 are held with their bit n
// (1..28) at word bit n-1.
#pragma once
#include <array>
#include <cstdint>

namespace kelvane::des {

using Word = std::uint32_t;
// Eight tables of 64 words each, indexed [table][6-bit index].
using LookupTables = std::array<std::array<Word, 64>, 8>;

// ---- The standard's tables, bit numbers counted from 1 as FIPS 46-3 prints them.

// The eight S-boxes, each four rows of 16 entries.
constexpr std::uint8_t STANDARD_SBOX[8][4][16] = {
    {{14, 4, 13, 1, 2, 15, 11, 8, 3, 10, 6, 12, 5, 9, 0, 7},
     {0, 15, 7, 4, 14, 2, 13, 1, 10, 6, 12, 11, 9, 5, 3, 8},
     {4, 1, 14, 8, 13, 6, 2, 11, 15, 12, 9, 7, 3, 10, 5, 0},
     {15, 12, 8, 2, 4, 9, 1, 7, 5, 11, 3, 14, 10, 0, 6, 13}},
    {{15, 1, 8, 14, 6, 11, 3, 4, 9, 7, 2, 13, 12, 0, 5, 10},
     {3, 13, 4, 7, 15, 2, 8, 14, 12, 0, 1, 10, 6, 9, 11, 5},
     {0, 14, 7, 11, 10, 4, 13, 1, 5, 8, 12, 6, 9, 3, 2, 15},
     {13, 8, 10, 1, 3, 15, 4, 2, 11, 6, 7, 12, 0, 5, 14, 9}},
    {{10, 0, 9, 14, 6, 3, 15, 5, 1, 13, 12, 7, 11, 4, 2, 8},
     {13, 7, 0, 9, 3, 4, 6, 10, 2, 8, 5, 14, 12, 11, 15, 1},
     {13, 6, 4, 9, 8, 15, 3, 0, 11, 1, 2, 12, 5, 10, 14, 7},
     {1, 10, 13, 0, 6, 9, 8, 7, 4, 15, 14, 3, 11, 5, 2, 12}},
    {{7, 13, 14, 3, 0, 6, 9, 10, 1, 2, 8, 5, 11, 12, 4, 15},
     {13, 8, 11, 5, 6, 15, 0, 3, 4, 7, 2, 12, 1, 10, 14, 9},
     {10, 6, 9, 0, 12, 11, 7, 13, 15, 1, 3, 14, 5, 2, 8, 4},
     {3, 15, 0, 6, 10, 1, 13, 8, 9, 4, 5, 11, 12, 7, 2, 14}},
    {{2, 12, 4, 1, 7, 10, 11, 6, 8, 5, 3, 15, 13, 0, 14, 9},
     {14, 11, 2, 12, 4, 7, 13, 1, 5, 0, 15, 10, 3, 9, 8, 6},
     {4, 2, 1, 11, 10, 13, 7, 8, 15, 9, 12, 5, 6, 3, 0, 14},
     {11, 8, 12, 7, 1, 14, 2, 13, 6, 15, 0, 9, 10, 4, 5, 3}},
    {{12, 1, 10, 15, 9, 2, 6, 8, 0, 13, 3, 4, 14, 7, 5, 11},
     {10, 15, 4, 2, 7, 12, 9, 5, 6, 1, 13, 14, 0, 11, 3, 8},
     {9, 14, 15, 5, 2, 8, 12, 3, 7, 0, 4, 10, 1, 13, 11, 6},
     {4, 3, 2, 12, 9, 5, 15, 10, 11, 14, 1, 7, 6, 0, 8, 13}},
    {{4, 11, 2, 14, 15, 0, 8, 13, 3, 12, 9, 7, 5, 10, 6, 1},
     {13, 0, 11, 7, 4, 9, 1, 10, 14, 3, 5, 12, 2, 15, 8, 6},
     {1, 4, 11, 13, 12, 3, 7, 14, 10, 15, 6, 8, 0, 5, 9, 2},
     {6, 11, 13, 8, 1, 4, 10, 7, 9, 5, 0, 15, 14, 2, 3, 12}},
    {{13, 2, 8, 4, 6, 15, 11, 1, 10, 9, 3, 14, 5, 0, 12, 7},
     {1, 15, 13, 8, 10, 3, 7, 4, 12, 5, 6, 11, 0, 14, 9, 2},
     {7, 11, 4, 1, 9, 12, 14, 2, 0, 6, 10, 13, 15, 3, 5, 8},
     {2, 1, 14, 7, 4, 10, 8, 13, 15, 12, 9, 0, 3, 5, 6, 11}},
};

// Initial permutation: bit j of its output is input bit STANDARD_IP[j-1].
constexpr std::uint8_t STANDARD_IP[64] = {
    58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4,
    62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8,
    57, 49, 41, 33, 25, 17, 9, 1, 59, 51, 43, 35, 27, 19, 11, 3,
    61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7,
};

// Permutation P: output bit j of the round function is S-box output bit STANDARD_P[j-1].
constexpr std::uint8_t STANDARD_P[32] = {
    16, 7, 20, 21, 29, 12, 28, 17, 1, 15, 23, 26, 5, 18, 31, 10,
    2, 8, 24, 14, 32, 27, 3, 9, 19, 13, 30, 6, 22, 11, 4, 25,
};

// Expansion E: bit i of the 48 bits fed to the S-boxes is R bit STANDARD_E[i-1].
constexpr std::uint8_t STANDARD_E[48] = {
    32, 1, 2, 3, 4, 5, 4, 5, 6, 7, 8, 9, 8, 9, 10, 11,
    12, 13, 12, 13, 14, 15, 16, 17, 16, 17, 18, 19, 20, 21, 20, 21,
    22, 23, 24, 25, 24, 25, 26, 27, 28, 29, 28, 29, 30, 31, 32, 1,
};

// Permuted choice 2: round key bit i is bit STANDARD_PC2[i-1] of C (1..28) then D (29..56).
constexpr std::uint8_t STANDARD_PC2[48] = {
    14, 17, 11, 24, 1, 5, 3, 28, 15, 6, 21, 10, 23, 19, 12, 4,
    26, 8, 16, 7, 27, 20, 13, 2, 41, 52, 31, 37, 47, 55, 30, 40,
    51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32,
};

// ---- The windows of the round layout.

// Word bit of S-box `box`'s 6-bit window, index bit `bit` (0 = the box's first input).
constexpr int windowBit(int box, int bit) { return 8 * (box / 2) + bit; }

// The layout's claim: the window of S-box s holds R bits 4s..4s+5 (cyclic), which
// is what E feeds it.
constexpr bool windowsFollowExpansion() {
    for (int box = 0; box < 8; ++box) {
        for (int bit = 0; bit < 6; ++bit) {
            const int rBit = (4 * box + bit + 31) % 32 + 1;
            if (STANDARD_E[6 * box + bit] != rBit) return false;
        }
    }
    return true;
}
static_assert(windowsFollowExpansion(), "S-box windows must match the expansion E");

// ---- desSpTable: S-box s merged with P.

// Output of S-box `box` for a window value whose bit 0 is the box's first input bit.
constexpr int sboxOutput(int box, unsigned window) {
    const int row = (window & 1) << 1 | (window >> 5 & 1);
    const int column = (window >> 1 & 1) << 3 | (window >> 2 & 1) << 2 | (window >> 3 & 1) << 1 |
                       (window >> 4 & 1);
    return STANDARD_SBOX[box][row][column];
}

constexpr LookupTables makeSpTable() {
    LookupTables table{};
    for (int box = 0; box < 8; ++box) {
        for (unsigned window = 0; window < 64; ++window) {
            const int output = sboxOutput(box, window);
            Word merged = 0;
            for (int j = 1; j <= 32; ++j) {
                const int source = STANDARD_P[j - 1] - 1 - 4 * box;  // 0..3 within this box
                if (source >= 0 && source < 4 && (output >> (3 - source) & 1)) merged |= Word{1} << (j % 32);
            }
            table[box][window] = merged;
        }
    }
    return table;
}

// ---- desKeyTable: permuted choice 2, six bits of C (tables 0-3) or D (4-7) at a time.

// Index into key table `table` gathered from its half (C or D), skipping the four bits
// of each half that PC-2 drops (C bits 9, 18, 22, 25 and D bits 7, 10, 15, 26).
constexpr unsigned keyTableIndex(int table, Word half) {
    switch (table) {
        case 0: return half & 0x3f;
        case 1: return (half >> 6 & 0x03) | (half >> 7 & 0x3c);
        case 2: return (half >> 13 & 0x0f) | (half >> 14 & 0x30);
        case 3: return (half >> 20 & 0x01) | (half >> 21 & 0x06) | (half >> 22 & 0x38);
        case 4: return half & 0x3f;
        case 5: return (half >> 7 & 0x03) | (half >> 8 & 0x3c);
        case 6: return half >> 15 & 0x3f;
        default: return (half >> 21 & 0x0f) | (half >> 22 & 0x30);
    }
}

// Where round key bit `keyBit` (1..48) goes in a key table entry: the even-box word's
// bits in the low 16 bits, the odd-box word's bits in the high 16 bits; the D tables'
// entries land in the high halves of both round key words (see des.cpp).
constexpr Word packedKeyBit(int keyBit) {
    const int box = (keyBit - 1) / 6;
    const int position = windowBit(box, (keyBit - 1) % 6) % 16;
    return Word{1} << (position + 16 * (box % 2));
}

// Round key bits set by half bit `halfBit` (1..28) of key table `table`; 0 if PC-2 drops it.
constexpr Word keyContribution(int table, int halfBit) {
    const int standardBit = table < 4 ? halfBit : halfBit + 28;
    for (int keyBit = 1; keyBit <= 48; ++keyBit) {
        if (STANDARD_PC2[keyBit - 1] == standardBit) return packedKeyBit(keyBit);
    }
    return 0;
}

constexpr LookupTables makeKeyTable() {
    LookupTables table{};
    for (int t = 0; t < 8; ++t) {
        for (int halfBit = 1; halfBit <= 28; ++halfBit) {
            const unsigned indexBit = keyTableIndex(t, Word{1} << (halfBit - 1));
            if (indexBit == 0) continue;
            for (unsigned index = 0; index < 64; ++index) {
                if (index & indexBit) table[t][index] |= keyContribution(t, halfBit);
            }
        }
    }
    return table;
}

// Each key table gathers exactly the six half bits that PC-2 keeps for it: every index
// bit comes from one half bit, and each gathered half bit reaches the round key.
constexpr bool keyTablesGatherPc2() {
    for (int t = 0; t < 8; ++t) {
        unsigned seen = 0;
        for (int halfBit = 1; halfBit <= 28; ++halfBit) {
            const unsigned indexBit = keyTableIndex(t, Word{1} << (halfBit - 1));
            if (indexBit == 0) continue;
            if ((indexBit & (indexBit - 1)) != 0 || (seen & indexBit) != 0) return false;
            if (keyContribution(t, halfBit) == 0) return false;
            seen |= indexBit;
        }
        if (seen != 0x3f) return false;
    }
    return true;
}
static_assert(keyTablesGatherPc2(), "key table indices must gather the bits PC-2 keeps");

// S-box s merged with P, indexed by the 6-bit window of the round layout.
alignas(64) static constexpr LookupTables desSpTable = makeSpTable();
// Permuted choice 2 for six bits of C (tables 0-3) or D (4-7), packed as packedKeyBit says.
alignas(64) static constexpr LookupTables desKeyTable = makeKeyTable();
// Per round: 1 rotates C and D by two positions, 0 by one (the standard's schedule).
static constexpr std::uint8_t desShiftTable[16] = {0, 0, 1, 1, 1, 1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 0};

}  // namespace kelvane::des
