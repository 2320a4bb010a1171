#include "crypt/string_crypt.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

#include "cipher/cipher.h"
#include "cipher/des.h"
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

// Text enciphered and hex-encoded a piece at a time: two AVX-512 batches, small enough
// that the piece and its hex stay in the first-level cache. A multiple of FILL_UNIT.
constexpr std::size_t PIECE_BYTES = 8192;

}  // namespace

char* cryptString(const char* text, const char* passPhrase) {
    if (text == nullptr || passPhrase == nullptr) return nullptr;
    const std::size_t length = std::strlen(text);
    if (length > MAX_TEXT_LENGTH - 31) return nullptr;
    const std::size_t padded = paddedLength(length);
    if (!hexLengthFits(padded)) return nullptr;

    char* hex = newModuleString(2 * padded);
    if (hex == nullptr) return nullptr;
    // One pass over the text, a piece at a time: the engine reads the text and writes the
    // piece buffer, whose hex follows while it is in the first-level cache. Only the piece
    // with the end of the text is copied, to be zero-filled. The bytes are those of one
    // DES-ECB pass over the whole zero-filled text.
    const DesKeyedRun des = desPrepareRun(makeKeyBlock(passPhrase).bytes, CIPHER_ENCRYPT);
    alignas(64) std::uint8_t piece[PIECE_BYTES];
    for (std::size_t offset = 0; offset < padded; offset += PIECE_BYTES) {
        const std::size_t size = std::min(padded - offset, PIECE_BYTES);
        const std::size_t textBytes = offset < length ? std::min(length - offset, size) : 0;
        const std::uint8_t* in = piece;
        if (textBytes == size) {
            in = reinterpret_cast<const std::uint8_t*>(text) + offset;
        } else {
            if (textBytes != 0) std::memcpy(piece, text + offset, textBytes);
            std::memset(piece + textBytes, 0, size - textBytes);
        }
        desRunBlocks(des, in, piece, size / 8);
        encodeHex(piece, size, hex + 2 * offset);
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
