// Subkey or value names of an open key read by index, each whole: the buffer grows
// while the registry says a name does not fit.
#pragma once
#include <cstdint>

#include "frame/module_memory.h"
#include "platform/registry.h"

namespace kelvane {

class NameReader {
public:
    enum class Kind { SubKey, Value };
    NameReader(platform::RegistryKey* key, Kind kind) : key_(key), kind_(kind) {}

    enum class Outcome {
        Name,    // name() and length() hold the name at the index
        End,     // no name there: past the last, or the registry failed to give one
        Failed,  // no buffer large enough could be had: fail the listing, never shorten it
    };
    Outcome read(std::uint32_t index);
    const char* name() const { return reinterpret_cast<const char*>(buffer_.get()); }
    std::uint32_t length() const { return length_; }

private:
    long readInto(std::uint32_t index);
    bool grow();

    platform::RegistryKey* key_;
    Kind kind_;
    ModuleBuffer buffer_;
    std::uint32_t capacity_ = 0;
    std::uint32_t length_ = 0;
};

}  // namespace kelvane
