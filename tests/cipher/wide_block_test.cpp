// The wide block: keyed by subkeyArea rather than the caller's key, known answers,
// round trips, and how IDEA calls in between change its key material.
#include <gtest/gtest.h>

#include "cipher/cipher.h"
#include "cipher/subkey_area.h"
#include "cipher/wide_block.h"
#include "support/cipher_support.h"

namespace kelvane::test {
namespace {

struct WideVector {
    const char* ideaKey;  // enciphering IDEA call that fills subkeyArea first; null: none
    const char* plain;
    const char* cipher;
};

const WideVector WIDE_VECTORS[] = {
    {nullptr, "00000000000000000000000000000000 00000000000000000000000000000000",
     "452ACC3A076EF6FD75DA6ABBFC31A513 D85B25D31090FA2FB34475086902748B"},
    {"0100 0200 0300 0400 0500 0600 0700 0800",
     "000102030405060708090A0B0C0D0E0F 101112131415161718191A1B1C1D1E1F",
     "9DEBEFB3054D11FBB66374E8C3BE3E45 50705AC3D1B416F3AEA9D33686B38339"},
};

const std::uint8_t KEY_A[16] = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE,
                                0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
const std::uint8_t KEY_B[16] = {0xFF, 0xEE, 0xDD, 0xCC, 0xBB, 0xAA, 0x99, 0x88,
                                0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11, 0x00};
const std::uint8_t ZERO_KEY[16] = {};

// One IDEA call of one block, for what it leaves in subkeyArea.
void ideaCall(const std::uint8_t* key, std::uint16_t direction) {
    std::uint8_t block[8] = {};
    cipherBuffer(block, 8, ALG_IDEA, key, direction);
}

Bytes wideEncrypt(Bytes block, const std::uint8_t* key = KEY_A) {
    encryptBuffer(block.data(), static_cast<std::uint16_t>(block.size()), ALG_MD5_WIDE, key);
    return block;
}

using WideBlock = FreshSubkeyArea;

TEST_F(WideBlock, KnownAnswersBothWays) {
    for (const WideVector& v : WIDE_VECTORS) {
        resetSubkeyArea();
        if (v.ideaKey != nullptr) ideaCall(fromHex(v.ideaKey).data(), CIPHER_ENCRYPT);
        Bytes block = fromHex(v.plain);
        ASSERT_EQ(encryptBuffer(block.data(), 32, ALG_MD5_WIDE, KEY_A), 1);
        EXPECT_EQ(toHex(block), toHex(fromHex(v.cipher)));
        ASSERT_EQ(decryptBuffer(block.data(), 32, ALG_MD5_WIDE, KEY_B), 1);
        EXPECT_EQ(toHex(block), toHex(fromHex(v.plain)));
    }
}

TEST_F(WideBlock, BlocksTakenSideBySideEqualBlocksTakenAlone) {
    ideaCall(KEY_B, CIPHER_ENCRYPT);
    std::mt19937 generator(29);
    for (std::size_t blocks = 1; blocks <= 8; ++blocks) {
        const Bytes plain = randomBytes(generator, 32 * blocks);
        for (std::uint16_t direction : {CIPHER_ENCRYPT, CIPHER_DECRYPT}) {
            Bytes whole = plain;
            cipherBuffer(whole.data(), static_cast<std::uint16_t>(whole.size()), ALG_MD5_WIDE, KEY_A, direction);
            for (std::size_t b = 0; b < blocks; ++b) {
                Bytes alone(plain.begin() + 32 * b, plain.begin() + 32 * (b + 1));
                std::uint8_t result[32];
                (direction ? wideForward : wideInverse)(alone.data(), subkeyAreaBytes(), result);
                EXPECT_EQ(toHex(Bytes(result, result + 32)), toHex(Bytes(whole.begin() + 32 * b, whole.begin() + 32 * (b + 1))))
                    << blocks << " blocks, block " << b << ", direction " << direction;
            }
        }
    }
}

TEST_F(WideBlock, CallersKeyIsNotRead) {
    std::mt19937 generator(31);
    const Bytes plain = randomBytes(generator, 64);
    EXPECT_EQ(toHex(wideEncrypt(plain, KEY_A)), toHex(wideEncrypt(plain, KEY_B)));
    EXPECT_EQ(toHex(wideEncrypt(plain, KEY_A)), toHex(wideEncrypt(plain, ZERO_KEY)));
    EXPECT_NE(wideEncrypt(Bytes(32)), Bytes(32));
}

TEST_F(WideBlock, IdeaCallChangesTheKeyMaterial) {
    std::mt19937 generator(32);
    const Bytes plain = randomBytes(generator, 32);
    const Bytes beforeIdea = wideEncrypt(plain);
    ideaCall(KEY_A, CIPHER_ENCRYPT);
    EXPECT_NE(wideEncrypt(plain), beforeIdea);
}

TEST_F(WideBlock, InverseUndoesForwardForAnyArea) {
    std::mt19937 generator(33);
    for (int i = 0; i < 200; ++i) {
        const Bytes area = randomBytes(generator, SUBKEY_AREA_BYTES);
        const Bytes plain = randomBytes(generator, 32);
        Bytes cipher(32), back(32);
        wideForward(plain.data(), area.data(), cipher.data());
        wideInverse(cipher.data(), area.data(), back.data());
        ASSERT_EQ(toHex(back), toHex(plain)) << "area " << toHex(area);
    }
}

TEST_F(WideBlock, RoundTripsUnderUnchangedMaterial) {
    std::mt19937 generator(34);
    expectRoundTrips(ALG_MD5_WIDE, KEY_A, generator);
    ideaCall(KEY_B, CIPHER_DECRYPT);
    expectRoundTrips(ALG_MD5_WIDE, ZERO_KEY, generator);
}

struct InterveningCall {
    const char* what;
    const std::uint8_t* key;
    std::uint16_t direction;
    bool restores;
};

// Material set by an enciphering IDEA call under KEY_A (or ZERO_KEY for the last
// case), then this call between the wide encipher and decipher.
const InterveningCall INTERVENING_CALLS[] = {
    {"same key, same direction", KEY_A, CIPHER_ENCRYPT, true},
    {"other key", KEY_B, CIPHER_ENCRYPT, false},
    {"other direction", KEY_A, CIPHER_DECRYPT, false},
    {"all-zero key, other direction", ZERO_KEY, CIPHER_DECRYPT, true},
};

TEST_F(WideBlock, IdeaCallBetweenEncipherAndDecipher) {
    std::mt19937 generator(35);
    const Bytes plain = randomBytes(generator, 96);
    for (const InterveningCall& call : INTERVENING_CALLS) {
        ideaCall(call.key == ZERO_KEY ? ZERO_KEY : KEY_A, CIPHER_ENCRYPT);
        const Bytes areaBefore = subkeyAreaNow();
        Bytes buffer = wideEncrypt(plain);
        ideaCall(call.key, call.direction);
        EXPECT_EQ(subkeyAreaNow() == areaBefore, call.restores) << call.what;
        decryptBuffer(buffer.data(), 96, ALG_MD5_WIDE, KEY_A);
        EXPECT_EQ(buffer == plain, call.restores) << call.what << ": " << toHex(buffer);
    }
}

TEST_F(WideBlock, LengthsOtherThanWholeBlocksAreRefused) {
    for (std::uint16_t length : {8, 16, 24, 40, 65535}) expectRefusedLength(ALG_MD5_WIDE, length);
    Bytes block(32);
    EXPECT_EQ(decryptBuffer(block.data(), 32, ALG_MD5_WIDE, KEY_A), 1);
}

}  // namespace
}  // namespace kelvane::test
