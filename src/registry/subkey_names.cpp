#include "registry/subkey_names.h"

#include "platform/registry.h"
#include "registry/name_list.h"
#include "registry/name_reader.h"
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
    NameReader reader(key.get(), NameReader::Kind::SubKey);
    for (std::uint32_t index = 0; index < count; ++index) {
        const NameReader::Outcome outcome = reader.read(index);
        if (outcome == NameReader::Outcome::Failed) return nullptr;
        // A key that lost subkeys since the count ends the list with the names read so far.
        if (outcome == NameReader::Outcome::End) break;
        if (!list.add(reader.name(), reader.length())) return nullptr;
    }
    return list.release();
}

}  // namespace kelvane
