// The header: known headers for known keys, the rotation, and the header test in both
// layouts.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "container_check.h"
#include "crypt/container_header.h"

namespace kelvane::test {
namespace {

struct HeaderVector {
    const char* key;     // 16 key bytes, hex
    unsigned rotation;   // bits 8-10 of the check value
    const char* header;  // the 20 header bytes, hex
};

// Worked out independently: check value big-endian, then the key rotated right.
const HeaderVector headerVectors[] = {
    {"000102030405060708090A0B0C0D0E0F", 2, "CECEE288C0004080C1014181C2024282C3034383"},
    {"A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5", 3, "BBB56B1BB4B4B4B4B4B4B4B4B4B4B4B4B4B4B4B4"},
    {"6B656C76616E652066696C65206B6579", 1, "B5663107B5B2B63B30B732903334B6329035B2BC"},
};

FileKey fileKey(const char* hex) {
    FileKey key;
    const Bytes bytes = fromHex(hex);
    std::memcpy(key.bytes, bytes.data(), FILE_KEY_SIZE);
    return key;
}

Bytes headerBytes(const EncryptedFileHeader& header) { return Bytes(header.bytes, header.bytes + HEADER_SIZE); }

TEST(ContainerHeader, KnownKeysGiveKnownHeaders) {
    for (const HeaderVector& vector : headerVectors) {
        const EncryptedFileHeader header = makeHeader(fileKey(vector.key));
        EXPECT_EQ(toHex(headerBytes(header)), vector.header) << "key " << vector.key;
        EXPECT_EQ((header.bytes[2] & 7u), vector.rotation);
        EXPECT_EQ(toHex(keyBytes(keyFromHeader(header))), vector.key);
    }
}

TEST(ContainerHeader, RotationMovesBitsAcrossTheEnds) {
    Bytes one(16, 0);
    one[15] = 0x01;
    std::uint8_t out[16];
    rotateRight128(one.data(), 1, out);
    EXPECT_EQ(toHex(Bytes(out, out + 16)), "80000000000000000000000000000000");
    Bytes top(16, 0);
    top[0] = 0x80;
    rotateLeft128(top.data(), 1, out);
    EXPECT_EQ(toHex(Bytes(out, out + 16)), "00000000000000000000000000000001");
}

TEST(ContainerHeader, LeftUndoesRightForEveryCount) {
    std::mt19937 generator(32);
    const Bytes key = randomBytes(generator, 16);
    for (unsigned bits = 0; bits < 8; ++bits) {
        std::uint8_t right[16];
        std::uint8_t back[16];
        rotateRight128(key.data(), bits, right);
        rotateLeft128(right, bits, back);
        EXPECT_EQ(toHex(Bytes(back, back + 16)), toHex(key)) << bits << " bits";
    }
}

TEST(HeaderTest, RecognisesTheHeaderWrittenHere) {
    std::mt19937 generator(20);
    for (int i = 0; i < 200; ++i) {
        const EncryptedFileHeader header = makeHeader(drawFileKey());
        ASSERT_TRUE(isEncryptedFile(header.bytes, HEADER_SIZE)) << toHex(headerBytes(header));
    }
}

TEST(HeaderTest, RecognisesTheSplitCheckLayout) {
    // Check value in bytes 0, 1, 18, 19; the key in 2-17 rotated left by bits 3-5 of byte 1 (5 here).
    const Bytes split = fromHex("AD6DFDAFE593253CD654AF4DFAD71427A0AE62D6");
    EXPECT_TRUE(isEncryptedFile(split.data(), split.size()));
    Bytes changed = split;
    changed[10] ^= 0x01;
    EXPECT_FALSE(isEncryptedFile(changed.data(), changed.size()));
}

TEST(HeaderTest, RefusesShortFilesAndOrdinaryBytes) {
    const EncryptedFileHeader header = makeHeader(drawFileKey());
    for (std::size_t count = 0; count < HEADER_SIZE; ++count) {
        EXPECT_FALSE(isEncryptedFile(header.bytes, count)) << count << " bytes";
    }
    EXPECT_FALSE(isEncryptedFile(nullptr, HEADER_SIZE));
    const Bytes zeros(HEADER_SIZE, 0);
    EXPECT_FALSE(isEncryptedFile(zeros.data(), zeros.size()));
    std::mt19937 generator(19);
    for (int i = 0; i < 1000; ++i) {
        const Bytes noise = randomBytes(generator, HEADER_SIZE);
        ASSERT_FALSE(isEncryptedFile(noise.data(), noise.size())) << toHex(noise);
    }
}

}  // namespace
}  // namespace kelvane::test
