// ReadKeyValue: one value's data up to its first zero byte. Text (REG_SZ, REG_EXPAND_SZ,
// REG_MULTI_SZ) reaches each host in its own form; data of every other type is no text
// in any form, so a narrow host gets its bytes exactly as stored, and a host of UTF-16
// (the wide twins, the Unicode NSIS plugins) gets each byte as the character of the same
// number, U+0000 to U+00FF: the one form in which every byte, and only that byte, comes
// back (its low 8 bits), where a conversion as text would make U+FFFD of some of them.
#include <cstring>

#include "frame/module_memory.h"
#include "frame/narrow_result.h"
#include "platform/host_text.h"
#include "platform/registry.h"
#include "registry/open_key.h"
#include "registry/registry_constants.h"
#include "registry/registry_exports.h"

namespace kelvane {
namespace {

// Bytes of data a host may receive, in its narrow form (the ANSI code page's bytes on
// Windows, also for the wide twin); longer data gives no result.
constexpr std::uint32_t VALUE_CAPACITY = 512;
// The buffer for that data in UTF-8: a narrow byte takes up to 4 there (a character
// outside the code page, '?' in one byte, is a surrogate pair of 4 UTF-8 bytes).
constexpr std::uint32_t UTF8_CAPACITY = 4 * VALUE_CAPACITY;

// A value's data up to its first zero byte (or the end of what the query wrote).
struct ValueData {
    std::uint8_t bytes[UTF8_CAPACITY];
    std::size_t length = 0;
    platform::ValueKind kind = platform::ValueKind::Stored;
};

// False when the key or value is missing or the data is too long.
bool readValue(const char* keyPath, const char* valueName, ValueData* value) {
    std::uint32_t size = UTF8_CAPACITY;
    std::uint32_t narrowSize = 0;
    long status;
    {
        OpenKey key(keyPath, KEY_READ);
        if (!key.isOpen()) return false;
        status = platform::registryQueryValueKind(key.get(), valueName, value->bytes, &size, &narrowSize,
                                                  &value->kind);
    }
    if (status != platform::REGISTRY_OK || size > UTF8_CAPACITY || narrowSize > VALUE_CAPACITY) return false;
    const void* zero = std::memchr(value->bytes, 0, size);
    value->length = zero != nullptr ? static_cast<const std::uint8_t*>(zero) - value->bytes : size;
    return true;
}

const char* textOf(const ValueData& value) { return reinterpret_cast<const char*>(value.bytes); }

// Each byte as the character of the same number, in UTF-8 (one or two bytes each).
char* widenedBytes(const ValueData& value) {
    std::size_t length = value.length;
    for (std::size_t i = 0; i < value.length; ++i) length += value.bytes[i] >= 0x80 ? 1 : 0;
    char* text = newModuleString(length);
    if (text == nullptr) return nullptr;
    char* next = text;
    for (std::size_t i = 0; i < value.length; ++i) {
        const std::uint8_t byte = value.bytes[i];
        if (byte >= 0x80) {
            *next++ = static_cast<char>(0xC0 | byte >> 6);
            *next++ = static_cast<char>(0x80 | (byte & 0x3F));
        } else {
            *next++ = static_cast<char>(byte);
        }
    }
    *next = '\0';
    return text;
}

}  // namespace

char* ReadKeyValue(const char* keyPath, const char* valueName) {
    ValueData value;
    if (!readValue(platform::Utf8Argument(keyPath).get(), platform::Utf8Argument(valueName).get(), &value)) {
        return nullptr;
    }
    char* stored = copyModuleString(textOf(value), value.length);
    return value.kind == platform::ValueKind::Text ? narrowResult(stored) : stored;
}

namespace utf8 {

char* ReadKeyValue(const char* keyPath, const char* valueName) {
    ValueData value;
    if (!readValue(keyPath, valueName, &value)) return nullptr;
    return value.kind == platform::ValueKind::Text ? copyModuleString(textOf(value), value.length)
                                                   : widenedBytes(value);
}

}  // namespace utf8
}  // namespace kelvane
