// Hex text: what is written and how every character reads.
#include <gtest/gtest.h>

#include "crypt/hex.h"
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

}  // namespace
}  // namespace kelvane::test
