// Hex text: what is written and how every character reads.
#include <gtest/gtest.h>

#include "cipher/kernels.h"
#include "cipher/hex.h"
#include "support/test_support.h"

namespace kelvane::test {
namespace {

TEST(HexText, DigitsAreUppercase) {
    const std::string expected = "0123456789ABCDEF";
    for (unsigned n = 0; n < 16; ++n) EXPECT_EQ(hexDigit(n), expected[n]);
}

TEST(HexText, EveryCharacterReadsAsItsValueOrZero) {
    for (int c = 0; c < 256; ++c) {
        const char ch = static_cast<char>(c);
        unsigned expected = 0;
        if (c >= '0' && c <= '9') expected = c - '0';
        if (c >= 'A' && c <= 'F') expected = c - 'A' + 10;
        if (c >= 'a' && c <= 'f') expected = c - 'a' + 10;
        EXPECT_EQ(hexValue(ch), expected) << c;
    }
}

TEST(HexText, EncodeAndDecodeEveryByte) {
    Bytes all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
    std::string text(512, '?');
    encodeHex(all.data(), all.size(), text.data());
    EXPECT_EQ(text, toHex(all));
    Bytes back(256);
    decodeHex(text.c_str(), back.size(), back.data());
    EXPECT_EQ(back, all);
}

constexpr char DIGITS_BOTH_CASES[] = "0123456789ABCDEFabcdef";

// Every instruction set writes what hexDigit gives and reads what hexValue gives, on random
// bytes and on text of every character value, at lengths that end anywhere in a step.
TEST(HexText, EverySetMatchesTheCharacterFunctions) {
    std::mt19937 generator(1208);
    const InstructionSet before = activeInstructionSet();
    for (InstructionSet set : {InstructionSet::Scalar, InstructionSet::Sse2, InstructionSet::Avx2, InstructionSet::Avx512}) {
        forceInstructionSet(set);
        for (std::size_t count = 0; count < 200; count += 1 + count / 16) {
            const Bytes bytes = randomBytes(generator, count);
            std::string text(2 * count, '?');
            encodeHex(bytes.data(), count, text.data());
            std::string expected;
            for (std::uint8_t b : bytes) expected += {hexDigit(b >> 4), hexDigit(b & 15)};
            ASSERT_EQ(text, expected) << instructionSetName(set) << " count " << count;

            // Half hex digits of either case, half any character value.
            std::string anyText(2 * count, '?');
            for (char& c : anyText) c = static_cast<char>(generator() % 2 ? DIGITS_BOTH_CASES[generator() % 22] : generator());
            Bytes decoded(count);
            decodeHex(anyText.c_str(), count, decoded.data());
            for (std::size_t i = 0; i < count; ++i) {
                const unsigned want = hexValue(anyText[2 * i]) << 4 | hexValue(anyText[2 * i + 1]);
                ASSERT_EQ(decoded[i], want) << instructionSetName(set) << " count " << count << " byte " << i;
            }
        }
    }
    forceInstructionSet(before);
}

}  // namespace
}  // namespace kelvane::test
