// The dispatcher: length test, then the algorithm's runner over whole blocks.
#include "cipher/cipher.h"

#include "cipher/algorithms.h"

namespace kelvane {

const std::int32_t blockSizeTable[4] = {8, 32, 8, 16};

namespace {

// Runner of each algorithm number, indexed like blockSizeTable.
constexpr BlockRunner runnerTable[4] = {ideaCryptBuffer, wideCryptBuffer, desCryptBuffer,
                                        xorCryptBuffer};

}  // namespace

std::uint16_t cipherBuffer(std::uint8_t* buffer, std::uint16_t length, std::int32_t algorithm,
                           const std::uint8_t* key, std::uint16_t direction) {
    if (length == 0) return 1;
    if (algorithm < 0 || algorithm > 3) return 0;
    if (buffer == nullptr || key == nullptr) return 0;
    const auto blockSize = static_cast<std::uint16_t>(blockSizeTable[algorithm]);
    if (length % blockSize != 0) return 0;
    runnerTable[algorithm](buffer, length / blockSize, key, direction);
    return 1;
}

std::uint16_t encryptBuffer(std::uint8_t* buffer, std::uint16_t length, std::int32_t algorithm,
                            const std::uint8_t* key) {
    return cipherBuffer(buffer, length, algorithm, key, CIPHER_ENCRYPT);
}

std::uint16_t decryptBuffer(std::uint8_t* buffer, std::uint16_t length, std::int32_t algorithm,
                            const std::uint8_t* key) {
    return cipherBuffer(buffer, length, algorithm, key, CIPHER_DECRYPT);
}

}  // namespace kelvane
