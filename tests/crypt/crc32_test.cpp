// crc32 against published check values.
#include <gtest/gtest.h>

#include <cstring>

#include "crypt/crc32.h"
#include "support/test_support.h"

namespace kelvane::test {
namespace {

struct CrcVector {
    const char* text;
    std::uint32_t expected;
};

// The catalogue's check value ("123456789") and other well-known sums.
const CrcVector crcVectors[] = {
    {"", 0x00000000u},
    {"a", 0xE8B7BE43u},
    {"abc", 0x352441C2u},
    {"123456789", 0xCBF43926u},
    {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
};

TEST(Crc32, KnownTexts) {
    for (const CrcVector& vector : crcVectors) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(vector.text);
        EXPECT_EQ(crc32(bytes, std::strlen(vector.text)), vector.expected) << '"' << vector.text << '"';
    }
}

TEST(Crc32, ZeroLengthIgnoresThePointer) { EXPECT_EQ(crc32(nullptr, 0), 0u); }

}  // namespace
}  // namespace kelvane::test
