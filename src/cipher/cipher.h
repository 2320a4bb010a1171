// The cipher engine: enciphers or deciphers a caller's buffer in place, block by
// block (no chaining), under a 16-byte key with one of four numbered algorithms.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kelvane {

// Algorithm numbers handed to cipherBuffer.
enum CipherAlgorithm : std::int32_t {
    ALG_IDEA = 0,      // IDEA, 8-byte blocks, key bytes 0-15
    ALG_MD5_WIDE = 1,  // 32-byte blocks from the MD5 compression; keyed by subkeyArea
    ALG_DES = 2,       // DES, 8-byte blocks, key bytes 0-7
    ALG_XOR = 3,       // XOR with the key, 16-byte blocks
};

// Block size in bytes of each algorithm, indexed by its number.
extern const std::int32_t blockSizeTable[4];

// Largest length a caller hands over in one call: a multiple of 32, below the 16-bit limit.
constexpr std::size_t CHUNK_LIMIT = 0xFFE0;

// Direction flags: any non-zero value enciphers, 0 deciphers.
constexpr std::uint16_t CIPHER_ENCRYPT = 1;
constexpr std::uint16_t CIPHER_DECRYPT = 0;

// 1 when done (length 0 included); 0 when the length is not a whole number of blocks
// or the algorithm is unknown, and then nothing was touched.
std::uint16_t cipherBuffer(std::uint8_t* buffer, std::uint16_t length, std::int32_t algorithm,
                           const std::uint8_t* key, std::uint16_t direction);
std::uint16_t encryptBuffer(std::uint8_t* buffer, std::uint16_t length, std::int32_t algorithm,
                            const std::uint8_t* key);
std::uint16_t decryptBuffer(std::uint8_t* buffer, std::uint16_t length, std::int32_t algorithm,
                            const std::uint8_t* key);

}  // namespace kelvane
