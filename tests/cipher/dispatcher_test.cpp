// The dispatcher's length and algorithm rules, the same for every algorithm.
#include <gtest/gtest.h>

#include "cipher/cipher.h"
#include "support/test_support.h"

namespace kelvane::test {
namespace {

const std::uint8_t KEY[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

TEST(Dispatcher, LengthZeroIsDoneForEveryAlgorithm) {
    std::uint8_t block[8] = {};
    for (int algorithm = 0; algorithm < 4; ++algorithm) {
        EXPECT_EQ(encryptBuffer(block, 0, algorithm, KEY), 1) << algorithm;
    }
}

TEST(Dispatcher, PartialBlocksAndUnknownAlgorithmsTouchNothing) {
    std::mt19937 generator(7);
    const Bytes original = randomBytes(generator, 64);
    for (int algorithm : {-1, 2, 4, 1000}) {
        Bytes buffer = original;
        const std::uint16_t length = algorithm == ALG_DES ? 12 : 32;
        EXPECT_EQ(encryptBuffer(buffer.data(), length, algorithm, KEY), 0) << algorithm;
        EXPECT_EQ(buffer, original) << algorithm;
    }
}

TEST(Dispatcher, NullPointersAreRefused) {
    std::uint8_t block[8] = {};
    EXPECT_EQ(encryptBuffer(nullptr, 8, ALG_DES, KEY), 0);
    EXPECT_EQ(encryptBuffer(block, 8, ALG_DES, nullptr), 0);
}

}  // namespace
}  // namespace kelvane::test
