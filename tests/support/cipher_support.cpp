#include "support/cipher_support.h"

#include "cipher/cipher.h"
#include "cipher/subkey_area.h"

namespace kelvane::test {

void FreshSubkeyArea::SetUp() { resetSubkeyArea(); }

Bytes subkeyAreaNow() {
    const std::uint8_t* area = subkeyAreaBytes();
    return Bytes(area, area + SUBKEY_AREA_BYTES);
}

void expectRoundTrips(std::int32_t algorithm, const std::uint8_t* key, std::mt19937& generator) {
    const auto blockSize = static_cast<std::size_t>(blockSizeTable[algorithm]);
    std::vector<std::size_t> lengths;
    for (std::size_t blocks = 0; blocks <= 6; ++blocks) lengths.push_back(blocks * blockSize);
    lengths.push_back(CHUNK_LIMIT);
    for (std::size_t length : lengths) {
        const Bytes original = randomBytes(generator, length);
        Bytes buffer = original;
        const auto length16 = static_cast<std::uint16_t>(length);
        ASSERT_EQ(encryptBuffer(buffer.data(), length16, algorithm, key), 1) << length;
        if (length > 0) {
            EXPECT_NE(buffer, original) << "algorithm " << algorithm << " length " << length;
        }
        ASSERT_EQ(decryptBuffer(buffer.data(), length16, algorithm, key), 1) << length;
        if (length <= 256) {
            EXPECT_EQ(toHex(buffer), toHex(original)) << "algorithm " << algorithm;
        } else {
            EXPECT_TRUE(buffer == original) << "algorithm " << algorithm << " length " << length;
        }
    }
}

void expectRefusedLength(std::int32_t algorithm, std::uint16_t length) {
    std::mt19937 generator(length);
    const Bytes original = randomBytes(generator, length);
    const Bytes key = randomBytes(generator, 16);
    const Bytes areaBefore = subkeyAreaNow();
    Bytes buffer = original;
    EXPECT_EQ(encryptBuffer(buffer.data(), length, algorithm, key.data()), 0)
        << "algorithm " << algorithm << " length " << length;
    EXPECT_EQ(toHex(buffer), toHex(original));
    EXPECT_EQ(toHex(subkeyAreaNow()), toHex(areaBefore));
}

}  // namespace kelvane::test
