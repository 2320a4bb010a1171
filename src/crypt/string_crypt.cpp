#include "crypt/string_crypt.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "cipher/cipher.h"
#include "cipher/hex.h"
#include "crypt/chunked_des.h"
#include "crypt/key_block.h"
#include "frame/module_memory.h"

namespace kelvane {
namespace {

// Lengths are kept to what a signed 32-bit count holds, the same on both targets;
// longer input is refused with null rather than overflowing 2 * P + 1.
constexpr std::size_t MAX_TEXT_LENGTH = std::numeric_limits<std::int32_t>::max();

bool hexLengthFits(std::size_t padded) { return padded <= (MAX_TEXT_LENGTH - 1) / 2; }

}  // namespace

char* cryptString(const char* text, const char* passPhrase) {
    if (text == nullptr || passPhrase == nullptr) return nullptr;
    const std::size_t length = std::strlen(text);
    if (length > MAX_TEXT_LENGTH - 31) return nullptr;
    const std::size_t padded = paddedLength(length);
    if (!hexLengthFits(padded)) return nullptr;

    // One chunk at a time: copy, zero-fill, encipher, write its hex, while it is in cache.
    // The bytes are those of one DES-ECB pass over the whole zero-filled text.
    ModuleBuffer chunk = newModuleBuffer(CHUNK_LIMIT);
    char* hex = newModuleString(2 * padded);
    if (chunk == nullptr || hex == nullptr) {
        moduleFree(hex);
        return nullptr;
    }
    const KeyBlock key = makeKeyBlock(passPhrase);
    for (std::size_t offset = 0; offset < padded; offset += CHUNK_LIMIT) {
        const std::size_t size = std::min(padded - offset, CHUNK_LIMIT);
        const std::size_t textBytes = offset < length ? std::min(length - offset, size) : 0;
        std::memcpy(chunk.get(), text + offset, textBytes);
        std::memset(chunk.get() + textBytes, 0, size - textBytes);
        encryptChunked(chunk.get(), size, key.bytes);
        encodeHex(chunk.get(), size, hex + 2 * offset);
    }
    return hex;
}

char* decryptString(const char* hexText, const char* passPhrase) {
    if (hexText == nullptr || passPhrase == nullptr) return nullptr;
    const std::size_t hexLength = std::strlen(hexText);
    if (hexLength % 2 != 0) return nullptr;
    const std::size_t count = hexLength / 2;

    char* result = newModuleString(count);
    if (result == nullptr) return nullptr;
    auto* bytes = reinterpret_cast<std::uint8_t*>(result);
    const KeyBlock key = makeKeyBlock(passPhrase);
    // Decode and decipher chunk by chunk, each while it is in cache. Only a last chunk
    // that is not a whole number of DES blocks stays as decoded.
    for (std::size_t offset = 0; offset < count; offset += CHUNK_LIMIT) {
        const std::size_t size = std::min(count - offset, CHUNK_LIMIT);
        decodeHex(hexText + 2 * offset, size, bytes + offset);
        decryptChunked(bytes + offset, size, key.bytes);
    }
    return result;
}

}  // namespace kelvane
