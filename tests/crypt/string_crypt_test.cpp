// cryptString and decryptString: lengths, the hex text, the key block and the chunk loop.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cipher/cipher.h"
#include "cipher/kernels.h"
#include "crypt/string_crypt.h"
#include "support/test_support.h"

namespace kelvane::test {
namespace {

// Both results as std::string; a null result fails the test.
std::string crypt(const std::string& text, const std::string& pass) {
    const char* hex = cryptString(text.c_str(), pass.c_str());
    EXPECT_NE(hex, nullptr);
    return hex != nullptr ? hex : "";
}

// The decrypted bytes up to and including the terminating NUL set by decryptString.
std::string decryptRaw(const std::string& hex, const std::string& pass) {
    const char* plain = decryptString(hex.c_str(), pass.c_str());
    EXPECT_NE(plain, nullptr);
    return plain != nullptr ? std::string(plain, hex.size() / 2) : "";
}

std::string decrypt(const std::string& hex, const std::string& pass) {
    const char* plain = decryptString(hex.c_str(), pass.c_str());
    EXPECT_NE(plain, nullptr);
    return plain != nullptr ? plain : "";
}

// DES-ECB over the zero-filled text under the pass phrase's first 8 bytes, as hex.
std::string expectedHex(const std::string& text, const std::string& pass) {
    Bytes plain(text.begin(), text.end());
    plain.resize((plain.size() + 31) / 32 * 32, 0);
    std::uint8_t key[16] = {};
    std::memcpy(key, pass.data(), std::min<std::size_t>(pass.size(), 16));
    for (std::size_t offset = 0; offset < plain.size(); offset += 8) {
        encryptBuffer(plain.data() + offset, 8, ALG_DES, key);
    }
    return toHex(plain);
}

TEST(StringCrypt, HexLengthFollowsTheZeroFillRule) {
    struct Case {
        std::size_t textLength;
        std::size_t hexLength;
    };
    const Case cases[] = {{0, 0},     {1, 64},    {31, 64},    {32, 64},     {33, 128},
                          {64, 128},  {65, 192},  {65504, 131008}, {65505, 131072}};
    for (const Case& c : cases) {
        const std::string hex = crypt(std::string(c.textLength, 'x'), "pass");
        EXPECT_EQ(hex.size(), c.hexLength) << c.textLength;
        EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos) << c.textLength;
    }
}

TEST(StringCrypt, RoundTripOverManyLengthsAndPassPhrases) {
    std::mt19937 generator(11);
    const std::string passes[] = {"", "a", "12345678", "a much longer pass phrase than 16"};
    for (std::size_t length = 0; length <= 200; ++length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i) text += static_cast<char>(1 + generator() % 255);
        for (const std::string& pass : passes) {
            EXPECT_EQ(decrypt(crypt(text, pass), pass), text) << length << " " << pass;
        }
    }
}

TEST(StringCrypt, HexIsDesEcbOverTheZeroFilledText) {
    EXPECT_EQ(crypt("Install key: 4711", "secret"), expectedHex("Install key: 4711", "secret"));
    // Longer than one chunk: the chunk loop must equal one ECB pass over the whole buffer.
    const std::string longText(CHUNK_LIMIT * 2 + 100, 'q');
    EXPECT_EQ(crypt(longText, "secret"), expectedHex(longText, "secret"));
    EXPECT_EQ(decrypt(crypt(longText, "secret"), "secret"), longText);
}

TEST(StringCrypt, EveryInstructionSetGivesTheScalarHex) {
    // The text is read a piece (8 KiB) at a time straight into the engine; only the piece
    // with the end is copied and zero-filled. Lengths around the pieces and the batches.
    const std::size_t lengths[] = {8191, 8192, 8193, 8192 + 8 * 63 + 1, 8192 + 8 * 64, 16384 + 4096 + 100, 3 * 8192 - 1};
    std::mt19937 generator(30);
    const InstructionSet before = activeInstructionSet();
    for (InstructionSet set : {InstructionSet::Scalar, InstructionSet::Sse2, InstructionSet::Avx2, InstructionSet::Avx512}) {
        if (static_cast<int>(set) > static_cast<int>(offeredInstructionSet())) continue;
        forceInstructionSet(set);
        for (std::size_t length : lengths) {
            std::string text;
            for (std::size_t i = 0; i < length; ++i) text += static_cast<char>(1 + generator() % 255);
            EXPECT_EQ(crypt(text, "pieces"), expectedHex(text, "pieces")) << instructionSetName(set) << " " << length;
        }
    }
    forceInstructionSet(before);
}

TEST(StringCrypt, ThirtyTwoCharactersCarryNoZeroByte) {
    const std::string text(32, 'z');
    const std::string raw = decryptRaw(crypt(text, "p"), "p");
    EXPECT_EQ(raw, text);
}

TEST(StringCrypt, EqualBlocksGiveEqualHexGroups) {
    const std::string hex = crypt("ABCDEFGHABCDEFGH", "p");
    EXPECT_EQ(hex.substr(0, 16), hex.substr(16, 16));
    EXPECT_NE(hex.substr(0, 16), hex.substr(32, 16));
}

TEST(StringCrypt, OnlyTheFirstEightKeyBytesCountWithoutParity) {
    const std::string text = "same text";
    const std::string base = crypt(text, "abcdefgh");
    EXPECT_EQ(crypt(text, "abcdefghXYZ"), base);
    EXPECT_EQ(crypt(text, "abcdefgh12345678901"), base);
    EXPECT_EQ(crypt(text, "`bbdefgi"), base);  // low bits of a, c, h flipped
    EXPECT_NE(crypt(text, "abcdefgi0"), crypt(text, "abcdefgj0"));
}

TEST(StringCrypt, EmptyPassPhraseUsesTheAllZeroKey) {
    const std::string hex = crypt("8 chars!", "");
    ASSERT_EQ(hex.size(), 64u);
    EXPECT_EQ(hex.substr(16, 16), hex.substr(32, 16));
    EXPECT_EQ(hex.substr(16, 16), hex.substr(48, 16));
    EXPECT_EQ(decrypt(hex, ""), "8 chars!");
    // All-zero key is weak: enciphering the enciphered zero block gives zeros back.
    const Bytes zeroGroup = fromHex(hex.substr(16, 16));
    Bytes again = zeroGroup;
    const std::uint8_t zeroKey[16] = {};
    encryptBuffer(again.data(), 8, ALG_DES, zeroKey);
    EXPECT_EQ(again, Bytes(8, 0));
}

TEST(StringCrypt, LowercaseAndMixedCaseReadAlike) {
    const std::string hex = crypt("Case does not matter", "k");
    std::string lower = hex;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string mixed = hex;
    for (std::size_t i = 0; i < mixed.size(); i += 2) mixed[i] = lower[i];
    EXPECT_EQ(decrypt(lower, "k"), "Case does not matter");
    EXPECT_EQ(decrypt(mixed, "k"), "Case does not matter");
}

TEST(StringCrypt, NonHexCharactersReadAsZero) {
    // Two characters decode to one byte: not a whole DES block, so returned as decoded.
    EXPECT_EQ(decryptRaw("G1", "any"), std::string("\x01", 1));
    EXPECT_EQ(decryptRaw("41", "other"), "A");
    EXPECT_EQ(decryptRaw("\xff" "1", "k"), std::string("\x01", 1));
}

TEST(StringCrypt, DecodedLengthsOffTheBlockStayUndeciphered) {
    // 12 bytes: not a multiple of 8, the only chunk is left as decoded.
    EXPECT_EQ(decryptRaw("414243444546474849505152", "k"), "ABCDEFGHIPQR");
    // CHUNK_LIMIT + 5 bytes: the first chunk is deciphered, the last 5 bytes stay as decoded.
    const std::string text(CHUNK_LIMIT, 'm');
    std::string hex = crypt(text, "k");
    ASSERT_EQ(hex.size(), 2 * CHUNK_LIMIT);
    hex += "6162636465";
    const std::string raw = decryptRaw(hex, "k");
    EXPECT_EQ(raw.substr(0, CHUNK_LIMIT), text);
    EXPECT_EQ(raw.substr(CHUNK_LIMIT), "abcde");
}

TEST(StringCrypt, WrongPassPhraseIsNotDetected) {
    const std::string hex = crypt("secret text", "right");
    const char* plain = decryptString(hex.c_str(), "wrong");
    ASSERT_NE(plain, nullptr);
    EXPECT_NE(std::string(plain), "secret text");
}

TEST(StringCrypt, ResultsAreFreshBlocks) {
    char* first = cryptString("x", "k");
    char* second = cryptString("x", "k");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_STREQ(first, second);
}

}  // namespace
}  // namespace kelvane::test
