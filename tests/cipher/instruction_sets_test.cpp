// Every instruction set this processor offers gives, bit for bit, what the scalar code
// gives: for every algorithm and direction, on random keys and on lengths from one
// block to CHUNK_LIMIT with every kind of tail, and with the same subkeyArea after it. And
// KELVANE_CIPHER_PATH caps the set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "cipher/cipher.h"
#include "cipher/subkey_area.h"
#include "cipher/kernels.h"
#include "support/host_process.h"
#include "support/test_support.h"

namespace kelvane::test {
namespace {

constexpr InstructionSet VECTOR_SETS[] = {InstructionSet::Sse2, InstructionSet::Avx2, InstructionSet::Avx512};

// Random calls per algorithm and set, beside the fixed lengths below.
constexpr int RANDOM_CALLS = 40;

// Lengths in blocks that meet the edges of the batches (64, 128, 256, 512 blocks and
// their neighbours), and the largest call.
constexpr std::size_t EDGE_BLOCKS[] = {1, 2, 3, 7, 8, 15, 16, 17, 31, 32, 33, 63, 64, 65, 127, 128, 129,
                                      255, 256, 257, 511, 512, 513, 1023, 1024, 1025};

struct SetRun {
    Bytes buffer;
    Bytes subkeys;
};

// The output and subkeyArea of one call on `set`, from the same starting area.
SetRun runOn(InstructionSet set, const Bytes& input, std::int32_t algorithm, const Bytes& key,
              std::uint16_t direction, const Bytes& startArea) {
    forceInstructionSet(set);
    // The area is set by enciphering one IDEA block under a key derived from startArea.
    resetSubkeyArea();
    if (!startArea.empty()) {
        std::uint8_t block[8] = {};
        encryptBuffer(block, 8, ALG_IDEA, startArea.data());
    }
    SetRun run{input, {}};
    EXPECT_EQ(cipherBuffer(run.buffer.data(), static_cast<std::uint16_t>(run.buffer.size()), algorithm,
                           key.data(), direction),
              1);
    run.subkeys.assign(subkeyAreaBytes(), subkeyAreaBytes() + SUBKEY_AREA_BYTES);
    return run;
}

void expectSameAsScalar(InstructionSet set, std::int32_t algorithm, std::size_t length, std::mt19937& generator) {
    const Bytes input = randomBytes(generator, length);
    const Bytes key = randomBytes(generator, 16);
    const Bytes startArea = randomBytes(generator, 16);
    for (std::uint16_t direction : {CIPHER_ENCRYPT, CIPHER_DECRYPT}) {
        const SetRun scalar = runOn(InstructionSet::Scalar, input, algorithm, key, direction, startArea);
        const SetRun vector = runOn(set, input, algorithm, key, direction, startArea);
        ASSERT_EQ(toHex(vector.buffer), toHex(scalar.buffer))
            << instructionSetName(set) << " algorithm " << algorithm << " length " << length << " direction "
            << direction;
        ASSERT_EQ(toHex(vector.subkeys), toHex(scalar.subkeys)) << instructionSetName(set) << " algorithm " << algorithm;
    }
}

TEST(InstructionSets, EveryOfferedSetMatchesTheScalarCode) {
    std::mt19937 generator(20261208);
    const InstructionSet before = activeInstructionSet();
    int setsRun = 0;
    for (InstructionSet set : VECTOR_SETS) {
        if (static_cast<int>(set) > static_cast<int>(offeredInstructionSet())) continue;
        ++setsRun;
        for (std::int32_t algorithm : {ALG_IDEA, ALG_MD5_WIDE, ALG_DES, ALG_XOR}) {
            const auto block = static_cast<std::size_t>(blockSizeTable[algorithm]);
            const std::size_t maxBlocks = CHUNK_LIMIT / block;
            for (std::size_t blocks : EDGE_BLOCKS) {
                if (blocks <= maxBlocks) expectSameAsScalar(set, algorithm, blocks * block, generator);
            }
            expectSameAsScalar(set, algorithm, CHUNK_LIMIT, generator);
            for (int i = 0; i < RANDOM_CALLS; ++i) {
                const std::size_t blocks = 1 + generator() % maxBlocks;
                expectSameAsScalar(set, algorithm, blocks * block, generator);
            }
        }
    }
    forceInstructionSet(before);
    resetSubkeyArea();
    RecordProperty("sets", setsRun);
}

// KELVANE_CIPHER_PATH caps the set at the one it names; a name it does not know caps nothing.
TEST(InstructionSets, TheEnvironmentCapsTheSet) {
    const char* before = std::getenv(INSTRUCTION_SET_VARIABLE);
    const std::string kept = before != nullptr ? before : "";
    const InstructionSet offered = offeredInstructionSet();
    for (InstructionSet cap : {InstructionSet::Scalar, InstructionSet::Sse2, InstructionSet::Avx2, InstructionSet::Avx512}) {
        setEnvironment(INSTRUCTION_SET_VARIABLE, instructionSetName(cap));
        EXPECT_EQ(allowedInstructionSet(), lowerInstructionSet(offered, cap)) << instructionSetName(cap);
    }
    setEnvironment(INSTRUCTION_SET_VARIABLE, "fastest");
    EXPECT_EQ(allowedInstructionSet(), offered);
    setEnvironment(INSTRUCTION_SET_VARIABLE, kept);
}

}  // namespace
}  // namespace kelvane::test
