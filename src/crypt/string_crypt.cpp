#include "crypt/string_crypt.h"

#include <cstdint>
#include <cstring>
#include <limits>

#include "crypt/chunked_des.h"
#include "crypt/hex.h"
#include "crypt/key_block.h"
#include "frame/module_memory.h"

namespace kelvane {
namespace {

// Lengths are kept to what a signed 32-bit count holds, as on the original 32-bit
// target; longer input is refused with null rather than overflowing 2 * P + 1.
constexpr std::size_t MAX_TEXT_LENGTH = std::numeric_limits<std::int32_t>::max();

bool hexLengthFits(std::size_t padded) { return padded <= (MAX_TEXT_LENGTH - 1) / 2; }

}  // namespace

char* cryptString(const char* text, const char* passPhrase) {
    if (text == nullptr || passPhrase == nullptr) return nullptr;
    const std::size_t length = std::strlen(text);
    if (length > MAX_TEXT_LENGTH - 31) return nullptr;
    const std::size_t padded = paddedLength(length);
    if (!hexLengthFits(padded)) return nullptr;

    ModuleBuffer plain = newModuleBuffer(padded);
    char* hex = newModuleString(2 * padded);
    if (plain == nullptr || hex == nullptr) {
        moduleFree(hex);
        return nullptr;
    }
    std::memcpy(plain.get(), text, length);
    std::memset(plain.get() + length, 0, padded - length);

    const KeyBlock key = makeKeyBlock(passPhrase);
    encryptChunked(plain.get(), padded, key.bytes);
    encodeHex(plain.get(), padded, hex);
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
    decodeHex(hexText, count, bytes);

    const KeyBlock key = makeKeyBlock(passPhrase);
    decryptChunked(bytes, count, key.bytes);
    return result;
}

}  // namespace kelvane
