// ReadKeyValue: one value's data as text, up to its first zero byte.
#include <cstring>

#include "frame/module_memory.h"
#include "platform/registry.h"
#include "registry/open_key.h"
#include "registry/registry_constants.h"
#include "registry/registry_exports.h"

namespace kelvane {
namespace {

// Bytes of the buffer that receives the value's data, and the size the query is given.
constexpr std::uint32_t VALUE_CAPACITY = 512;

}  // namespace

namespace utf8 {

char* ReadKeyValue(const char* keyPath, const char* valueName) {
    std::uint8_t data[VALUE_CAPACITY];
    std::uint32_t size = VALUE_CAPACITY;
    long status;
    {
        OpenKey key(keyPath, KEY_READ);
        if (!key.isOpen()) return nullptr;
        status = platform::registryQueryValue(key.get(), valueName, data, &size);
    }
    if (status != platform::REGISTRY_OK || size > VALUE_CAPACITY) return nullptr;
    // The text ends at the first zero byte, or at the end of what the query wrote.
    const void* zero = std::memchr(data, 0, size);
    const std::size_t length = zero != nullptr ? static_cast<const std::uint8_t*>(zero) - data : size;
    return copyModuleString(reinterpret_cast<const char*>(data), length);
}

}  // namespace utf8
}  // namespace kelvane
