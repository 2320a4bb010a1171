// Containers checked with other implementations: the payload deciphered with OpenSSL's
// DES under the header's key, the check value recomputed with zlib's crc32.
#define OPENSSL_SUPPRESS_DEPRECATED  // single DES lives only in the low-level API
#include <gtest/gtest.h>
#include <openssl/des.h>
#include <zlib.h>

#include <random>

#include "cipher/cipher.h"
#include "container_check.h"
#include "crypt/file_crypt.h"

namespace kelvane::test {
namespace {

// Deciphers whole 8-byte blocks in ECB mode under key bytes 0-7.
Bytes decipherWithOpenSsl(const FileKey& key, const std::uint8_t* payload, std::size_t size) {
    DES_cblock keyBlock;
    std::memcpy(keyBlock, key.bytes, 8);
    DES_key_schedule schedule;
    DES_set_key_unchecked(&keyBlock, &schedule);
    Bytes plain(size);
    for (std::size_t at = 0; at + 8 <= size; at += 8) {
        DES_cblock in;
        DES_cblock out;
        std::memcpy(in, payload + at, 8);
        DES_ecb_encrypt(&in, &out, &schedule, DES_DECRYPT);
        std::memcpy(&plain[at], out, 8);
    }
    return plain;
}

TEST(FileContainerReferenceNativeOnly, PayloadDeciphersWithOpenSslDes) {
    ScratchFolder folder;
    std::mt19937 generator(41);
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{33}, CHUNK_LIMIT + 1, 3 * CHUNK_LIMIT}) {
        const std::string path = folder.path("plain");
        const Bytes contents = randomBytes(generator, size);
        writeFile(path, contents);
        ASSERT_EQ(cryptFile(path.c_str()), FILE_ENCRYPTED);
        const Bytes container = readFile(path);
        const OpenedContainer opened = openContainer(container);
        const Bytes plain = decipherWithOpenSsl(opened.key, container.data() + HEADER_SIZE, container.size() - HEADER_SIZE);
        const Bytes expected = zeroFilled(contents);
        EXPECT_TRUE(plain == expected) << size << " bytes\n  got  " << toHex(Bytes(plain.begin(), plain.begin() + std::min<std::size_t>(48, plain.size())))
                                       << "\n  want " << toHex(Bytes(expected.begin(), expected.begin() + std::min<std::size_t>(48, expected.size())));
        EXPECT_EQ(opened.check, ::crc32(0L, opened.key.bytes, FILE_KEY_SIZE));
    }
}

TEST(Crc32ReferenceNativeOnly, AgreesWithZlibOnEveryLengthUpTo300) {
    std::mt19937 generator(42);
    const Bytes data = randomBytes(generator, 300);
    for (std::size_t length = 0; length <= data.size(); ++length) {
        ASSERT_EQ(kelvane::crc32(data.data(), length), ::crc32(0L, data.data(), static_cast<uInt>(length))) << length;
    }
}

}  // namespace
}  // namespace kelvane::test
