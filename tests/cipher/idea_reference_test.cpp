// IDEA against Crypto++ on random keys and buffers. Crypto++ reads IDEA words most
// significant byte first, so the two bytes of every word are exchanged on the way in
// and out.
#include <gtest/gtest.h>

#include <cryptopp/idea.h>

#include "cipher/cipher.h"
#include "support/cipher_support.h"

namespace kelvane::test {
namespace {

Bytes swapWordBytes(Bytes bytes) {
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
    return bytes;
}

// What Crypto++ makes of `data` under `key`, both given in this engine's byte order.
template <class Direction>
Bytes cryptoppIdea(const Bytes& key, const Bytes& data) {
    const Bytes swappedKey = swapWordBytes(key);
    Direction cipher(swappedKey.data(), swappedKey.size());
    Bytes swapped = swapWordBytes(data);
    for (std::size_t offset = 0; offset < swapped.size(); offset += 8) {
        cipher.ProcessBlock(swapped.data() + offset);
    }
    return swapWordBytes(swapped);
}

using IdeaReferenceNativeOnly = FreshSubkeyArea;

TEST_F(IdeaReferenceNativeOnly, RandomKeysAndBuffersAgreeWithCryptopp) {
    std::mt19937 generator(2024);
    std::uniform_int_distribution<int> blockCounts(1, 9);
    for (int i = 0; i < 4000; ++i) {
        const Bytes key = randomBytes(generator, 16);
        const Bytes plain = randomBytes(generator, 8 * blockCounts(generator));
        const auto length = static_cast<std::uint16_t>(plain.size());
        Bytes buffer = plain;
        encryptBuffer(buffer.data(), length, ALG_IDEA, key.data());
        ASSERT_EQ(toHex(buffer), toHex(cryptoppIdea<CryptoPP::IDEA::Encryption>(key, plain)))
            << "key " << toHex(key) << " plain " << toHex(plain);
        // Deciphering random bytes, not only what was enciphered.
        buffer = plain;
        decryptBuffer(buffer.data(), length, ALG_IDEA, key.data());
        ASSERT_EQ(toHex(buffer), toHex(cryptoppIdea<CryptoPP::IDEA::Decryption>(key, plain)))
            << "key " << toHex(key) << " cipher " << toHex(plain);
    }
}

TEST_F(IdeaReferenceNativeOnly, KeysWithZeroWordsAgreeWithCryptopp) {
    // Zero subkeys (65536) and zero words exercise the multiplication's special case.
    std::mt19937 generator(2025);
    for (int i = 0; i < 2000; ++i) {
        Bytes key = randomBytes(generator, 16);
        Bytes plain = randomBytes(generator, 16);
        for (std::size_t w = 0; w < 8; ++w) {
            if (generator() % 3 == 0) key[2 * w] = key[2 * w + 1] = 0;
            if (generator() % 3 == 0) plain[2 * w] = plain[2 * w + 1] = 0;
        }
        Bytes buffer = plain;
        encryptBuffer(buffer.data(), 16, ALG_IDEA, key.data());
        ASSERT_EQ(toHex(buffer), toHex(cryptoppIdea<CryptoPP::IDEA::Encryption>(key, plain)))
            << "key " << toHex(key) << " plain " << toHex(plain);
    }
}

}  // namespace
}  // namespace kelvane::test
