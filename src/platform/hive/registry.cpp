// The registry operations over a folder of hive files (see hive_folder.h), read and
// changed through hivex. A key is a hive node; HKEY_LOCAL_MACHINE itself is the folder,
// whose subkeys are the hive files. Status codes are those Windows gives.
#include "platform/registry.h"

#include <hivex.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/hive/hive_folder.h"
#include "platform/hive/hive_keys.h"
#include "platform/hive/hive_lock.h"
#include "platform/hive/name_case.h"
#include "platform/hive/utf16.h"

namespace kelvane::platform {

namespace {

struct FreeWithC {
    void operator()(void* block) const { std::free(block); }
};
template <typename T>
using CBlock = std::unique_ptr<T, FreeWithC>;

// A zero-terminated list of handles from hivex, with its length.
template <typename Handle>
struct HandleList {
    CBlock<Handle> items;  // null until read
    std::size_t count = 0;
};

}  // namespace

struct RegistryKey {
    hive_h* hive = nullptr;              // null for HKEY_LOCAL_MACHINE itself
    hive_node_h node = 0;
    std::string hivePath;                // the hive file the node lives in
    std::vector<std::string> hiveNames;  // subkeys of HKEY_LOCAL_MACHINE itself
    // The node's subkeys and values, each read from the hive once, on first use, and
    // kept for the enumeration by index that follows.
    HandleList<hive_node_h> children;
    HandleList<hive_value_h> values;
    HiveLock lock;                       // held while the hive is open

    ~RegistryKey() {
        if (hive != nullptr) hivex_close(hive);
    }
};

namespace {

// A value's type as the hive stores it: any 32-bit number, of which hive_type names a few.
using StoredType = std::uint32_t;

// Value types whose data a hive stores as UTF-16LE and the narrow calls convert.
constexpr StoredType NARROWED_TYPES[] = {hive_t_REG_SZ, hive_t_REG_EXPAND_SZ, hive_t_REG_MULTI_SZ};

// Path components between backslashes. Empty ones are skipped, as Windows skips a doubled
// or trailing backslash; a leading one makes the path bad (see openKey).
std::vector<std::string> splitPath(const char* path) {
    std::vector<std::string> parts;
    if (path == nullptr) return parts;
    std::string part;
    for (const char* c = path;; ++c) {
        if (*c == '\\' || *c == '\0') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
            if (*c == '\0') break;
        } else {
            part += *c;
        }
    }
    return parts;
}

template <typename Handle>
std::size_t countOf(const Handle* list) {
    std::size_t n = 0;
    while (list[n] != 0) ++n;
    return n;
}

// Reads `list` through `read` unless it was read before.
template <typename Handle>
long readOnce(HandleList<Handle>& list, Handle* (*read)(hive_h*, hive_node_h), hive_h* hive, hive_node_h node) {
    if (list.items != nullptr) return REGISTRY_OK;
    list.items.reset(read(hive, node));
    if (list.items == nullptr) return REGISTRY_BAD_DATABASE;
    list.count = countOf(list.items.get());
    return REGISTRY_OK;
}

// The first entry of `list` whose name (from `nameOf`) is `name` ignoring case as Windows
// does, or 0. hivex's own lookups fold ASCII letters only.
template <typename Handle>
Handle findNamed(hive_h* hive, const Handle* list, char* (*nameOf)(hive_h*, Handle), const std::string& name) {
    const std::u16string wanted = foldedName(name);
    for (const Handle* entry = list; *entry != 0; ++entry) {
        CBlock<char> entryName(nameOf(hive, *entry));
        if (entryName != nullptr && foldedName(entryName.get()) == wanted) return *entry;
    }
    return 0;
}

long openHklm(std::unique_ptr<RegistryKey>& key) { return readHiveNames(hklmFolder(), &key->hiveNames); }

// Opens the hive file key.hivePath into key.hive with the hivex open `flags`, under the
// hive's lock: access denied when the caller may not read it, bad database when it is no
// hive hivex can read.
long openHive(RegistryKey& key, int flags) { return openLockedHive(key.lock, key.hivePath, flags, &key.hive); }

// Moves `key` to its subkey `name`.
long openChild(RegistryKey& key, const std::string& name) {
    CBlock<hive_node_h> children(hivex_node_children(key.hive, key.node));
    if (children == nullptr) return REGISTRY_BAD_DATABASE;
    key.node = findNamed(key.hive, children.get(), hivex_node_name, name);
    return key.node != 0 ? REGISTRY_OK : REGISTRY_NOT_FOUND;
}

// Walks `parts` from the hive named by the first one; `flags` are hivex open flags.
long openNode(const std::vector<std::string>& parts, int flags, std::unique_ptr<RegistryKey>& key) {
    long status = locateHiveFile(hklmFolder(), parts[0], &key->hivePath);
    if (status != REGISTRY_OK) return status;
    status = openHive(*key, flags);
    if (status != REGISTRY_OK) return status;
    key->node = hivex_root(key->hive);
    if (key->node == 0) return REGISTRY_BAD_DATABASE;
    for (std::size_t i = 1; i < parts.size() && status == REGISTRY_OK; ++i) status = openChild(*key, parts[i]);
    return status;
}

long openKey(const char* path, int flags, std::unique_ptr<RegistryKey>& key) {
    key = std::make_unique<RegistryKey>();
    // Windows takes a path as relative to the root key and refuses one that looks absolute.
    if (path != nullptr && *path == '\\') return REGISTRY_BAD_PATHNAME;
    const std::vector<std::string> parts = splitPath(path);
    return parts.empty() ? openHklm(key) : openNode(parts, flags, key);
}

// Copies `text` with its NUL into `buffer` of `capacity` characters.
long copyName(const std::string& text, char* buffer, std::uint32_t capacity) {
    if (text.size() + 1 > capacity) return REGISTRY_MORE_DATA;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return REGISTRY_OK;
}

bool isNarrowed(StoredType type) {
    for (StoredType t : NARROWED_TYPES) {
        if (t == type) return true;
    }
    return false;
}

// hivex hands back the hive's type number in a hive_type whatever the number is; one
// that no enumerator names is no value of that enum, so only its bytes are read.
StoredType storedType(const hive_type& type) {
    static_assert(sizeof(StoredType) == sizeof(hive_type), "hivex keeps the type in 32 bits");
    StoredType stored;
    std::memcpy(&stored, &type, sizeof stored);
    return stored;
}

// The value's data as the narrow query returns it, and whether it is text.
bool narrowData(hive_h* hive, hive_value_h value, std::string* data, ValueKind* kind) {
    hive_type type;
    std::size_t length = 0;
    CBlock<char> raw(hivex_value_value(hive, value, &type, &length));
    if (raw == nullptr) return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(raw.get());
    *kind = isNarrowed(storedType(type)) ? ValueKind::Text : ValueKind::Stored;
    *data = *kind == ValueKind::Text ? utf16LeToUtf8(bytes, length) : std::string(raw.get(), length);
    return true;
}

}  // namespace

// Hive files carry no access rights of their own: any key that exists opens.
long registryOpen(const char* path, std::uint32_t, RegistryKey** key) { return openHiveKey(path, 0, key); }

long openHiveKey(const char* path, int hivexFlags, RegistryKey** key) {
    std::unique_ptr<RegistryKey> opened;
    const long status = openKey(path, hivexFlags, opened);
    *key = status == REGISTRY_OK ? opened.release() : nullptr;
    return status;
}

HivePlace hivePlaceOf(const RegistryKey* key) { return {key->hive, key->node, key->hivePath}; }

long registrySubKeyCount(RegistryKey* key, std::uint32_t* count) {
    *count = 0;
    if (key->hive == nullptr) {
        *count = static_cast<std::uint32_t>(key->hiveNames.size());
        return REGISTRY_OK;
    }
    const long status = readOnce(key->children, hivex_node_children, key->hive, key->node);
    if (status == REGISTRY_OK) *count = static_cast<std::uint32_t>(key->children.count);
    return status;
}

long registryEnumKey(RegistryKey* key, std::uint32_t index, char* name, std::uint32_t capacity) {
    if (key->hive == nullptr) {
        if (index >= key->hiveNames.size()) return REGISTRY_NO_MORE_ITEMS;
        return copyName(key->hiveNames[index], name, capacity);
    }
    const long status = readOnce(key->children, hivex_node_children, key->hive, key->node);
    if (status != REGISTRY_OK) return status;
    if (index >= key->children.count) return REGISTRY_NO_MORE_ITEMS;
    CBlock<char> childName(hivex_node_name(key->hive, key->children.items.get()[index]));
    if (childName == nullptr) return REGISTRY_BAD_DATABASE;
    return copyName(childName.get(), name, capacity);
}

long registryEnumValue(RegistryKey* key, std::uint32_t index, char* name, std::uint32_t* length) {
    if (key->hive == nullptr) return REGISTRY_NO_MORE_ITEMS;
    const long status = readOnce(key->values, hivex_node_values, key->hive, key->node);
    if (status != REGISTRY_OK) return status;
    if (index >= key->values.count) return REGISTRY_NO_MORE_ITEMS;
    CBlock<char> valueName(hivex_value_key(key->hive, key->values.items.get()[index]));
    if (valueName == nullptr) return REGISTRY_BAD_DATABASE;
    const long copied = copyName(valueName.get(), name, *length);
    if (copied == REGISTRY_OK) *length = static_cast<std::uint32_t>(std::strlen(valueName.get()));
    return copied;
}

long registryQueryValueKind(RegistryKey* key, const char* valueName, std::uint8_t* data, std::uint32_t* size,
                            std::uint32_t* narrowSize, ValueKind* kind) {
    if (key->hive == nullptr) return REGISTRY_NOT_FOUND;
    const long status = readOnce(key->values, hivex_node_values, key->hive, key->node);
    if (status != REGISTRY_OK) return status;
    const hive_value_h value =
        findNamed(key->hive, key->values.items.get(), hivex_value_key, valueName != nullptr ? valueName : "");
    if (value == 0) return REGISTRY_NOT_FOUND;
    std::string narrow;
    if (!narrowData(key->hive, value, &narrow, kind)) return REGISTRY_BAD_DATABASE;
    const std::uint32_t capacity = *size;
    *size = static_cast<std::uint32_t>(narrow.size());
    if (narrowSize != nullptr) *narrowSize = *size;  // UTF-8 is the narrow form here
    if (narrow.size() > capacity) return REGISTRY_MORE_DATA;
    if (!narrow.empty()) std::memcpy(data, narrow.data(), narrow.size());
    return REGISTRY_OK;
}

long registryQueryValue(RegistryKey* key, const char* valueName, std::uint8_t* data, std::uint32_t* size,
                        std::uint32_t* narrowSize) {
    ValueKind kind;
    return registryQueryValueKind(key, valueName, data, size, narrowSize, &kind);
}

void registryClose(RegistryKey* key) { delete key; }

}  // namespace kelvane::platform
