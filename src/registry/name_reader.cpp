#include "registry/name_reader.h"

#include <algorithm>
#include <cstring>

#include "registry/registry_constants.h"

namespace kelvane {
namespace {

// Largest buffer tried, NUL included: a hive stores a name's length in 16 bits, so a
// name is at most 65,535 Latin-1 characters, 131,070 bytes of UTF-8. Windows' own limits
// (255 units for a key, 16,383 for a value name) fit well below it.
constexpr std::uint32_t LONGEST_NAME_CAPACITY = 1u << 17;

}  // namespace

NameReader::Outcome NameReader::read(std::uint32_t index) {
    if (buffer_ == nullptr && !grow()) return Outcome::Failed;
    long status = readInto(index);
    while (status == platform::REGISTRY_MORE_DATA && grow()) status = readInto(index);
    if (status == platform::REGISTRY_MORE_DATA) return Outcome::Failed;
    return status == platform::REGISTRY_OK ? Outcome::Name : Outcome::End;
}

long NameReader::readInto(std::uint32_t index) {
    char* name = reinterpret_cast<char*>(buffer_.get());
    if (kind_ == Kind::Value) {
        length_ = capacity_;
        return platform::registryEnumValue(key_, index, name, &length_);
    }
    const long status = platform::registryEnumKey(key_, index, name, capacity_);
    if (status == platform::REGISTRY_OK) length_ = static_cast<std::uint32_t>(std::strlen(name));
    return status;
}

// Doubles the buffer from NAME_CAPACITY; false at the limit or when the heap refuses.
bool NameReader::grow() {
    if (capacity_ >= LONGEST_NAME_CAPACITY) return false;
    const std::uint32_t capacity = capacity_ == 0 ? NAME_CAPACITY : std::min(capacity_ * 2, LONGEST_NAME_CAPACITY);
    ModuleBuffer larger = newModuleBuffer(capacity);
    if (larger == nullptr) return false;
    buffer_ = std::move(larger);
    capacity_ = capacity;
    return true;
}

}  // namespace kelvane
