// The values where IDEA's vector multiplication and the wide block's lanes could part
// from the scalar code: zero words (standing for 65536) in keys, subkeys and data, the
// all-zero key whose schedules are all zero, and subkeyArea still at its load-time zeros.
// Every instruction set this processor offers must give the scalar code's bytes on them.
#include <gtest/gtest.h>

#include "cipher/cipher.h"
#include "cipher/subkey_area.h"
#include "cipher/kernels.h"
#include "support/test_support.h"

namespace kelvane::test {
namespace {

constexpr InstructionSet VECTOR_SETS[] = {InstructionSet::Sse2, InstructionSet::Avx2, InstructionSet::Avx512};

struct EdgeCase {
    const char* name;
    const char* key;   // 16 bytes in hex
    const char* word;  // one 16-bit IDEA word in hex (low byte first), repeated over the buffer
    bool areaZero;     // the wide block runs with subkeyArea as loaded, not after an IDEA call
};

constexpr EdgeCase EDGE_CASES[] = {
    {"zero key, zero data", "00000000000000000000000000000000", "0000", true},
    {"zero key, ones", "00000000000000000000000000000000", "FFFF", false},
    {"zero key, word 1", "00000000000000000000000000000000", "0100", false},
    {"key of ones, zero data", "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF", "0000", false},
    {"key words 1, words 65535", "01000100010001000100010001000100", "FFFF", false},
    {"key words 32768, zero data", "00800080008000800080008000800080", "0000", true},
    {"test-vector key, words 1", "01000200030004000500060007000800", "0100", false},
};

// cipherBuffer on `set` over CHUNK_LIMIT bytes of the case's word, after the area is set
// (reset, then one IDEA call under the case's key unless it is to stay zero).
Bytes runOn(InstructionSet set, const EdgeCase& edge, std::int32_t algorithm, std::uint16_t direction) {
    forceInstructionSet(set);
    const Bytes key = fromHex(edge.key);
    resetSubkeyArea();
    if (!edge.areaZero) {
        std::uint8_t block[8] = {};
        cipherBuffer(block, 8, ALG_IDEA, key.data(), direction);
    }
    const Bytes word = fromHex(edge.word);
    Bytes buffer(CHUNK_LIMIT);
    for (std::size_t i = 0; i < buffer.size(); ++i) buffer[i] = word[i % 2];
    EXPECT_EQ(cipherBuffer(buffer.data(), CHUNK_LIMIT, algorithm, key.data(), direction), 1);
    return buffer;
}

TEST(VectorEdges, EveryOfferedSetMatchesTheScalarCodeOnZeroWordsAndKeys) {
    const InstructionSet before = activeInstructionSet();
    for (const EdgeCase& edge : EDGE_CASES) {
        for (std::int32_t algorithm : {ALG_IDEA, ALG_MD5_WIDE}) {
            for (std::uint16_t direction : {CIPHER_ENCRYPT, CIPHER_DECRYPT}) {
                const Bytes scalar = runOn(InstructionSet::Scalar, edge, algorithm, direction);
                for (InstructionSet set : VECTOR_SETS) {
                    if (static_cast<int>(set) > static_cast<int>(offeredInstructionSet())) continue;
                    EXPECT_EQ(toHex(runOn(set, edge, algorithm, direction)), toHex(scalar))
                        << edge.name << ", " << instructionSetName(set) << ", algorithm " << algorithm
                        << ", direction " << direction;
                }
            }
        }
    }
    forceInstructionSet(before);
    resetSubkeyArea();
}

}  // namespace
}  // namespace kelvane::test
