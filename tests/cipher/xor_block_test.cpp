// ALG_XOR: the key repeated every 16 bytes, the direction ignored, its own inverse.
#include <gtest/gtest.h>

#include "cipher/cipher.h"
#include "support/cipher_support.h"

namespace kelvane::test {
namespace {

TEST(XorBlock, KeyRepeatsEverySixteenBytes) {
    // Byte i of the plain text is i and key byte j is 0x80 + j: where the key repeats in
    // step with the text, every byte of block b comes out 0x80 + 0x10 * b.
    Bytes key(16), plain(48);
    for (std::size_t j = 0; j < key.size(); ++j) key[j] = static_cast<std::uint8_t>(0x80 + j);
    for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<std::uint8_t>(i);
    const std::string known = "80808080808080808080808080808080"
                              "90909090909090909090909090909090"
                              "A0A0A0A0A0A0A0A0A0A0A0A0A0A0A0A0";
    Bytes buffer = plain;
    ASSERT_EQ(encryptBuffer(buffer.data(), 48, ALG_XOR, key.data()), 1);
    EXPECT_EQ(toHex(buffer), known);
    buffer = plain;
    ASSERT_EQ(decryptBuffer(buffer.data(), 48, ALG_XOR, key.data()), 1);
    EXPECT_EQ(toHex(buffer), known);
}

TEST(XorBlock, RoundTrips) {
    std::mt19937 generator(42);
    const Bytes key = randomBytes(generator, 16);
    expectRoundTrips(ALG_XOR, key.data(), generator);
    Bytes buffer = randomBytes(generator, 64);
    const Bytes original = buffer;
    encryptBuffer(buffer.data(), 64, ALG_XOR, key.data());
    encryptBuffer(buffer.data(), 64, ALG_XOR, key.data());
    EXPECT_EQ(toHex(buffer), toHex(original));
}

TEST(XorBlock, AllZeroKeyLeavesDataUnchanged) {
    const std::uint8_t zeroKey[16] = {};
    std::mt19937 generator(43);
    const Bytes original = randomBytes(generator, 64);
    Bytes buffer = original;
    EXPECT_EQ(encryptBuffer(buffer.data(), 64, ALG_XOR, zeroKey), 1);
    EXPECT_EQ(toHex(buffer), toHex(original));
}

TEST(XorBlock, LengthsOtherThanWholeBlocksAreRefused) {
    for (std::uint16_t length : {8, 24, 65535}) expectRefusedLength(ALG_XOR, length);
    const std::uint8_t key[16] = {1};
    Bytes buffer(32);
    EXPECT_EQ(encryptBuffer(buffer.data(), 16, ALG_XOR, key), 1);
    EXPECT_EQ(encryptBuffer(buffer.data(), 32, ALG_XOR, key), 1);
}

}  // namespace
}  // namespace kelvane::test
