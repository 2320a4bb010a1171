// ReadSubValues: the value names of the TDS client key as a name list.
#include <cstring>

#include "frame/module_memory.h"
#include "platform/registry.h"
#include "registry/name_list.h"
#include "registry/open_key.h"
#include "registry/registry_constants.h"
#include "registry/registry_exports.h"

namespace kelvane {
namespace {

// The key whose value names ReadSubValues lists.
constexpr const char* TDS_CLIENT_KEY_PATH = "SOFTWARE\\Microsoft\\MSSQLServer\\Client\\TDS";
// Characters of the largest value name the registry holds (16,383), NUL included.
constexpr std::uint32_t LONG_NAME_CAPACITY = 16384;

// Reads the name of the value at `index` into `name`; a name too long for the
// NAME_CAPACITY buffer is read again into a block of LONG_NAME_CAPACITY.
long readValueName(platform::RegistryKey* key, std::uint32_t index, char* name, ModuleBuffer& longName,
                   const char** result, std::uint32_t* length) {
    *length = NAME_CAPACITY;
    *result = name;
    long status = platform::registryEnumValue(key, index, name, length);
    if (status != platform::REGISTRY_MORE_DATA) return status;
    if (longName == nullptr) longName = newModuleBuffer(LONG_NAME_CAPACITY);
    if (longName == nullptr) return status;
    *length = LONG_NAME_CAPACITY;
    *result = reinterpret_cast<const char*>(longName.get());
    return platform::registryEnumValue(key, index, reinterpret_cast<char*>(longName.get()), length);
}

}  // namespace

char* ReadSubValues() {
    OpenKey key(TDS_CLIENT_KEY_PATH, KEY_READ);
    if (!key.isOpen()) return nullptr;
    NameList list;
    char name[NAME_CAPACITY];
    ModuleBuffer longName;
    const char* found = nullptr;
    std::uint32_t length = 0;
    for (std::uint32_t index = 0;
         readValueName(key.get(), index, name, longName, &found, &length) == platform::REGISTRY_OK; ++index) {
        // The key's unnamed value has no name to list; the named ones after it still count.
        if (length == 0) continue;
        if (!list.add(found, length)) return nullptr;
    }
    return list.release();
}

}  // namespace kelvane
