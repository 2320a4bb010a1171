// registryDeleteKey over hive files (see hive_deletion.h).
#include "platform/hive/hive_deletion.h"

#include <hivex.h>

#include <cstring>
#include <memory>

#include "platform/hive/helper_program.h"
#include "platform/hive/hive_keys.h"
#include "platform/hive/hive_image.h"
#include "platform/registry.h"

namespace kelvane::platform {
namespace {

// Statuses a deletion can end with; the helper answers one of them.
constexpr long DELETION_RESULTS[] = {REGISTRY_OK,           REGISTRY_NOT_FOUND,         REGISTRY_ACCESS_DENIED,
                                     REGISTRY_BAD_PATHNAME, REGISTRY_INVALID_PARAMETER, REGISTRY_BAD_DATABASE,
                                     REGISTRY_IO_FAILED};
constexpr int DELETION_RESULT_COUNT = sizeof DELETION_RESULTS / sizeof DELETION_RESULTS[0];

struct CloseKey {
    void operator()(RegistryKey* key) const { registryClose(key); }
};
using HeldKey = std::unique_ptr<RegistryKey, CloseKey>;

long openForDeletion(const char* path, int hivexFlags, HeldKey* key) {
    RegistryKey* opened = nullptr;
    const long status = openHiveKey(path, hivexFlags, &opened);
    key->reset(opened);
    return status;
}

// Why the open key may not go, or 0.
long refusal(const HivePlace& place) {
    // Neither HKEY_LOCAL_MACHINE nor a hive's root key can go.
    if (place.hive == nullptr || place.node == hivex_root(place.hive)) return REGISTRY_ACCESS_DENIED;
    // hivex would take the subkeys along; Windows refuses instead.
    if (hivex_node_nr_children(place.hive, place.node) != 0) return REGISTRY_ACCESS_DENIED;
    return REGISTRY_OK;
}

// Whether `path` names a key that may go, read in the host without changing anything:
// the common refusals need no helper.
long checkDeletable(const char* path) {
    HeldKey key;
    const long status = openForDeletion(path, 0, &key);
    return status != REGISTRY_OK ? status : refusal(hivePlaceOf(key.get()));
}

}  // namespace

long deleteKeyFromHive(const char* path) {
    HeldKey key;
    const long status = openForDeletion(path, HIVEX_OPEN_WRITE, &key);
    if (status != REGISTRY_OK) return status;
    const HivePlace place = hivePlaceOf(key.get());
    const long refused = refusal(place);
    if (refused != REGISTRY_OK) return refused;
    if (hivex_node_delete_child(place.hive, place.node) != 0) return REGISTRY_BAD_DATABASE;
    return writeHiveBack(place.hive, place.hivePath);
}

long registryDeleteKey(const char* path) {
    // The helper takes no longer path (helper_program.h), and no key has one.
    if (std::strlen(path) > HELPER_ARGUMENT_LIMIT) return REGISTRY_INVALID_PARAMETER;
    const long status = checkDeletable(path);
    if (status != REGISTRY_OK) return status;
    // A hive damaged past what the reading sees can make hivex abort while it changes
    // the hive: that ends the helper, and the answer is the damaged hive's status.
    return runHiveHelper(DELETE_VERB, path, DELETION_RESULTS, DELETION_RESULT_COUNT, REGISTRY_BAD_DATABASE);
}

}  // namespace kelvane::platform
