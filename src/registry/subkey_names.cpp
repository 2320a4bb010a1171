#include "registry/subkey_names.h"

#include <cstring>

#include "platform/registry.h"
#include "registry/name_list.h"
#include "registry/open_key.h"
#include "registry/registry_constants.h"

namespace kelvane {

char* listSubKeyNames(const char* keyPath) {
    OpenKey key(keyPath, KEY_READ);
    if (!key.isOpen()) return nullptr;
    // A count that cannot be read means no subkeys.
    std::uint32_t count = 0;
    if (platform::registrySubKeyCount(key.get(), &count) != platform::REGISTRY_OK) return nullptr;
    NameList list;
    char name[NAME_CAPACITY];
    for (std::uint32_t index = 0; index < count; ++index) {
        // A key that lost subkeys since the count ends the list with the names read so far.
        if (platform::registryEnumKey(key.get(), index, name, NAME_CAPACITY) != platform::REGISTRY_OK) break;
        if (!list.add(name, std::strlen(name))) return nullptr;
    }
    return list.release();
}

}  // namespace kelvane
