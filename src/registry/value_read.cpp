// ReadKeyValue: one value's data as text, up to its first zero byte.
#include <cstring>

#include "frame/module_memory.h"
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

}  // namespace

namespace utf8 {

char* ReadKeyValue(const char* keyPath, const char* valueName) {
    std::uint8_t data[UTF8_CAPACITY];
    std::uint32_t size = UTF8_CAPACITY;
    std::uint32_t narrowSize = 0;
    long status;
    {
        OpenKey key(keyPath, KEY_READ);
        if (!key.isOpen()) return nullptr;
        status = platform::registryQueryValue(key.get(), valueName, data, &size, &narrowSize);
    }
    if (status != platform::REGISTRY_OK || size > UTF8_CAPACITY || narrowSize > VALUE_CAPACITY) return nullptr;
    // The text ends at the first zero byte, or at the end of what the query wrote.
    const void* zero = std::memchr(data, 0, size);
    const std::size_t length = zero != nullptr ? static_cast<const std::uint8_t*>(zero) - data : size;
    return copyModuleString(reinterpret_cast<const char*>(data), length);
}

}  // namespace utf8
}  // namespace kelvane
