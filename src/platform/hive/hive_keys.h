// What registry.cpp offers the code beside it that changes hives: a key opened through
// the same path walk as every read, and where that key lives.
#pragma once
#include <hivex.h>

#include <string>

#include "platform/registry.h"

namespace kelvane::platform {

// A key's hive and node; hive is null for HKEY_LOCAL_MACHINE itself.
struct HivePlace {
    hive_h* hive;
    hive_node_h node;
    std::string hivePath;
};

// Opens `path` as registryOpen does, with hivex open flags: HIVEX_OPEN_WRITE reads the
// hive for changing and holds it alone (see hive_lock.h) until registryClose.
long openHiveKey(const char* path, int hivexFlags, RegistryKey** key);

HivePlace hivePlaceOf(const RegistryKey* key);

}  // namespace kelvane::platform
