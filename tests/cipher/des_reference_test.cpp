// DES compared with OpenSSL's on random keys and buffers (native builds only, where
// OpenSSL is at hand). OpenSSL's key is the same eight bytes and its blocks the same
// byte order, so the two must agree byte for byte.
#include <gtest/gtest.h>

// The legacy DES interface is deprecated in OpenSSL 3; it is the reference we want.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/des.h>

#include <algorithm>

#include "cipher/cipher.h"
#include "support/test_support.h"

namespace kelvane::test {
namespace {

// OpenSSL's DES over `data` block by block (ECB), under key bytes 0-7.
Bytes referenceEcb(const Bytes& key, Bytes data, bool encipher) {
    DES_cblock keyBlock;
    std::copy(key.begin(), key.begin() + 8, keyBlock);
    DES_key_schedule schedule;
    DES_set_key_unchecked(&keyBlock, &schedule);
    for (std::size_t offset = 0; offset + 8 <= data.size(); offset += 8) {
        DES_cblock block;
        std::copy(data.begin() + offset, data.begin() + offset + 8, block);
        DES_ecb_encrypt(&block, &block, &schedule, encipher ? DES_ENCRYPT : DES_DECRYPT);
        std::copy(block, block + 8, data.begin() + offset);
    }
    return data;
}

using BufferCall = std::uint16_t (*)(std::uint8_t*, std::uint16_t, std::int32_t, const std::uint8_t*);

// The engine over `data` in chunks of at most CHUNK_LIMIT bytes, as its callers hand it over.
Bytes engineInChunks(BufferCall call, const Bytes& key, Bytes data) {
    for (std::size_t offset = 0; offset < data.size(); offset += CHUNK_LIMIT) {
        const auto length = static_cast<std::uint16_t>(std::min(CHUNK_LIMIT, data.size() - offset));
        EXPECT_EQ(call(data.data() + offset, length, ALG_DES, key.data()), 1);
    }
    return data;
}

TEST(DesReferenceNativeOnly, RandomKeysAndBuffers) {
    std::mt19937 generator(2024);
    for (int i = 0; i < 4000; ++i) {
        const Bytes key = randomBytes(generator, 16);
        const Bytes data = randomBytes(generator, 8 * (generator() % 20));
        const Bytes enciphered = engineInChunks(encryptBuffer, key, data);
        ASSERT_EQ(toHex(enciphered), toHex(referenceEcb(key, data, true))) << "key " << toHex(key);
        ASSERT_EQ(toHex(engineInChunks(decryptBuffer, key, data)), toHex(referenceEcb(key, data, false)))
            << "key " << toHex(key);
        ASSERT_EQ(toHex(engineInChunks(decryptBuffer, key, enciphered)), toHex(data)) << "key " << toHex(key);
    }
}

TEST(DesReferenceNativeOnly, BuffersLongerThanOneChunk) {
    std::mt19937 generator(2025);
    for (std::size_t size : {CHUNK_LIMIT + 8, 2 * CHUNK_LIMIT + 96, 3 * CHUNK_LIMIT}) {
        const Bytes key = randomBytes(generator, 16);
        const Bytes data = randomBytes(generator, size);
        const Bytes enciphered = engineInChunks(encryptBuffer, key, data);
        EXPECT_TRUE(enciphered == referenceEcb(key, data, true)) << "size " << size << " key " << toHex(key);
        EXPECT_TRUE(engineInChunks(decryptBuffer, key, enciphered) == data) << "size " << size;
    }
}

}  // namespace
}  // namespace kelvane::test
