// IDEA: the arithmetic modulo 65537, known answers with words read least significant
// byte first, the schedules left in subkeyArea, and round trips.
#include <gtest/gtest.h>

#include "cipher/cipher.h"
#include "cipher/idea.h"
#include "support/cipher_support.h"

namespace kelvane::test {
namespace {

struct MulCase {
    std::uint16_t a, b, product;
};

// 0 stands for 65536, and 65535 for -2.
const MulCase MUL_CASES[] = {
    {0, 0, 1},     {0, 1, 0},     {1, 0, 0},     {0, 2, 65535},     {3, 0, 65534},
    {256, 256, 0}, {2, 32769, 1}, {32768, 2, 0}, {65535, 65535, 4}, {1, 12345, 12345},
};

TEST(IdeaArithmetic, MulKnownProducts) {
    for (const MulCase& c : MUL_CASES) {
        EXPECT_EQ(ideaMul(c.a, c.b), c.product) << c.a << " * " << c.b;
        EXPECT_EQ(ideaMul(c.b, c.a), c.product) << c.b << " * " << c.a;
    }
}

TEST(IdeaArithmetic, InverseOfEveryValue) {
    EXPECT_EQ(ideaInverse(0), 0);
    EXPECT_EQ(ideaInverse(1), 1);
    EXPECT_EQ(ideaInverse(65535), 32768);
    for (std::uint32_t x = 1; x <= 65535; ++x) {
        const auto word = static_cast<std::uint16_t>(x);
        ASSERT_EQ(ideaMul(word, ideaInverse(word)), 1) << x;
    }
}

struct IdeaVector {
    const char* key;
    const char* plain;
    const char* cipher;
};

// The published vector (key words 0001..0008, plaintext 0000..0003, ciphertext
// 11FB ED2B 0198 6DE5) in this engine's byte order, then two more of the same kind.
const IdeaVector IDEA_VECTORS[] = {
    {"0100 0200 0300 0400 0500 0600 0700 0800", "0000 0100 0200 0300", "FB11 2BED 9801 E56D"},
    {"0000 0000 0000 0000 0000 0000 0000 0000", "0000 0000 0000 0000", "0100 0100 0000 0000"},
    {"0001 0203 0405 0607 0809 0A0B 0C0D 0E0F", "FFEE DDCC BBAA 9988", "216A 02CD 4FD9 0ECC"},
};

// The decryption schedule of the published vector's key, as subkeyArea stores it
// (six words per round, four for the output).
const char* PUBLISHED_DECRYPTION_AREA =
    "01FE 40FF 00FF 9A65 00C0 01E0"
    "FDFF 0080 00A0 CCCC 0000 0020"
    "56A5 B0FF C0FF AB52 1000 2000"
    "4B55 90FF 00E0 01FE 0008 0010"
    "2D33 00C8 00D0 FDFF 0800 0C00"
    "AB4A E0FF E4FF 01C0 1000 1400"
    "96AA 00F0 00F2 81FF 0008 000A"
    "2549 00FC F8FF 2B55 0500 0600"
    "0100 FEFF FDFF 01C0";

using IdeaCipher = FreshSubkeyArea;

// `block` `times` over: every block must come out as if it were alone.
Bytes repeated(const Bytes& block, int times) {
    Bytes buffer;
    for (int i = 0; i < times; ++i) buffer.insert(buffer.end(), block.begin(), block.end());
    return buffer;
}

TEST_F(IdeaCipher, KnownAnswersBothWays) {
    for (const IdeaVector& v : IDEA_VECTORS) {
        const Bytes key = fromHex(v.key);
        const Bytes plain = repeated(fromHex(v.plain), 4), cipher = repeated(fromHex(v.cipher), 4);
        Bytes buffer = plain;
        ASSERT_EQ(encryptBuffer(buffer.data(), 32, ALG_IDEA, key.data()), 1);
        EXPECT_EQ(toHex(buffer), toHex(cipher)) << "key " << v.key;
        ASSERT_EQ(decryptBuffer(buffer.data(), 32, ALG_IDEA, key.data()), 1);
        EXPECT_EQ(toHex(buffer), toHex(plain)) << "key " << v.key;
    }
}

TEST(IdeaBlock, SchedulesAndBlockIntoSeparateBytes) {
    const IdeaVector& v = IDEA_VECTORS[2];
    IdeaSchedule encryption, decryption;
    ideaMakeSchedule(fromHex(v.key).data(), encryption);
    ideaInvertSchedule(encryption, decryption);
    Bytes cipher(8), plain(8);
    ideaCryptBlock(fromHex(v.plain).data(), cipher.data(), encryption);
    EXPECT_EQ(toHex(cipher), toHex(fromHex(v.cipher)));
    ideaCryptBlock(cipher.data(), plain.data(), decryption);
    EXPECT_EQ(toHex(plain), toHex(fromHex(v.plain)));
}

TEST_F(IdeaCipher, AreaHoldsTheLastSchedule) {
    const Bytes key = fromHex(IDEA_VECTORS[0].key);
    Bytes block = fromHex(IDEA_VECTORS[0].plain);
    encryptBuffer(block.data(), 8, ALG_IDEA, key.data());
    const Bytes afterEncrypt = subkeyAreaNow();
    EXPECT_EQ(toHex(Bytes(afterEncrypt.begin(), afterEncrypt.begin() + 16)), toHex(key));
    decryptBuffer(block.data(), 8, ALG_IDEA, key.data());
    EXPECT_EQ(toHex(subkeyAreaNow()), toHex(fromHex(PUBLISHED_DECRYPTION_AREA)));
}

TEST_F(IdeaCipher, RefusedAndEmptyCallsKeepTheArea) {
    const Bytes key = fromHex(IDEA_VECTORS[2].key);
    Bytes block(8);
    encryptBuffer(block.data(), 8, ALG_IDEA, key.data());
    for (std::uint16_t length : {1, 4, 12, 65535}) expectRefusedLength(ALG_IDEA, length);
    const Bytes before = subkeyAreaNow();
    const Bytes otherKey = fromHex(IDEA_VECTORS[0].key);
    EXPECT_EQ(decryptBuffer(block.data(), 0, ALG_IDEA, otherKey.data()), 1);
    EXPECT_EQ(toHex(subkeyAreaNow()), toHex(before));
}

TEST_F(IdeaCipher, AllZeroKeyIsAnInvolution) {
    const std::uint8_t zeroKey[16] = {};
    IdeaSchedule encryption, decryption;
    ideaMakeSchedule(zeroKey, encryption);
    ideaInvertSchedule(encryption, decryption);
    for (std::size_t i = 0; i < IDEA_SUBKEYS; ++i) {
        EXPECT_EQ(encryption.subkeys[i], 0) << i;
        EXPECT_EQ(decryption.subkeys[i], 0) << i;
    }
    std::mt19937 generator(11);
    const Bytes original = randomBytes(generator, 256);
    Bytes buffer = original;
    encryptBuffer(buffer.data(), 256, ALG_IDEA, zeroKey);
    EXPECT_EQ(toHex(subkeyAreaNow()), toHex(Bytes(104)));
    EXPECT_NE(buffer, original);
    encryptBuffer(buffer.data(), 256, ALG_IDEA, zeroKey);
    EXPECT_EQ(toHex(buffer), toHex(original));
}

TEST_F(IdeaCipher, RoundTripsUnderRandomKeys) {
    std::mt19937 generator(12);
    for (int i = 0; i < 8; ++i) {
        const Bytes key = randomBytes(generator, 16);
        expectRoundTrips(ALG_IDEA, key.data(), generator);
    }
}

}  // namespace
}  // namespace kelvane::test
