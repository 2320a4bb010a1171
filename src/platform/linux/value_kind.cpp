// The kind of a value's data over hive files, beside the hive registry's query
// (platform/hive/registry.cpp), which converts the same three text types: the value is
// found as that query finds it, by its name folded as Windows folds it. The hive stays
// open and locked between the two reads, so both see the same value.
#include <hivex.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/hive/hive_keys.h"
#include "platform/hive/name_case.h"
#include "platform/registry.h"

namespace kelvane::platform {
namespace {

// Value types a hive stores as UTF-16LE text and the query gives in UTF-8.
constexpr std::uint32_t TEXT_TYPES[] = {hive_t_REG_SZ, hive_t_REG_EXPAND_SZ, hive_t_REG_MULTI_SZ};

struct FreeWithC {
    void operator()(void* block) const { std::free(block); }
};

bool isTextType(hive_type type) {
    std::uint32_t stored;  // any number the hive holds, named by hive_type or not
    std::memcpy(&stored, &type, sizeof stored);
    for (std::uint32_t text : TEXT_TYPES) {
        if (stored == text) return true;
    }
    return false;
}

ValueKind kindOf(const HivePlace& place, const char* valueName) {
    std::unique_ptr<hive_value_h, FreeWithC> values(hivex_node_values(place.hive, place.node));
    const std::u16string wanted = foldedName(valueName != nullptr ? valueName : "");
    for (const hive_value_h* value = values.get(); value != nullptr && *value != 0; ++value) {
        std::unique_ptr<char, FreeWithC> name(hivex_value_key(place.hive, *value));
        if (name == nullptr || foldedName(name.get()) != wanted) continue;
        hive_type type;
        std::size_t length = 0;
        const bool typed = hivex_value_type(place.hive, *value, &type, &length) == 0;
        return typed && isTextType(type) ? ValueKind::Text : ValueKind::Stored;
    }
    return ValueKind::Stored;
}

}  // namespace

long registryQueryValueKind(RegistryKey* key, const char* valueName, std::uint8_t* data, std::uint32_t* size,
                            std::uint32_t* narrowSize, ValueKind* kind) {
    const long status = registryQueryValue(key, valueName, data, size, narrowSize);
    if (status == REGISTRY_OK) *kind = kindOf(hivePlaceOf(key), valueName);
    return status;
}

}  // namespace kelvane::platform
