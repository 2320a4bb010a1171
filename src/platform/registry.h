// The registry below HKEY_LOCAL_MACHINE as the registry exports see it: the few
// operations they need, each giving a Windows status code (0 on success). On Windows
// these are advapi32's narrow functions; elsewhere a folder of hive files stands in.
#pragma once
#include <cstdint>

namespace kelvane::platform {

// Windows status codes that both bodies give for the same conditions.
constexpr long REGISTRY_OK = 0;                 // ERROR_SUCCESS
constexpr long REGISTRY_NOT_FOUND = 2;          // ERROR_FILE_NOT_FOUND: no such key or value
constexpr long REGISTRY_ACCESS_DENIED = 5;      // ERROR_ACCESS_DENIED: e.g. a key with subkeys deleted
constexpr long REGISTRY_INVALID_PARAMETER = 87;  // ERROR_INVALID_PARAMETER: a key path too long to take
constexpr long REGISTRY_BAD_PATHNAME = 161;      // ERROR_BAD_PATHNAME: a path that begins with a backslash
constexpr long REGISTRY_MORE_DATA = 234;        // ERROR_MORE_DATA: the caller's buffer is too small
constexpr long REGISTRY_NO_MORE_ITEMS = 259;    // ERROR_NO_MORE_ITEMS: index past the last entry
constexpr long REGISTRY_BAD_DATABASE = 1009;    // ERROR_BADDB: a hive that cannot be read
constexpr long REGISTRY_IO_FAILED = 1016;       // ERROR_REGISTRY_IO_FAILED: a changed hive not written

// An open key; only the functions below look inside.
struct RegistryKey;

// Opens `path` below HKEY_LOCAL_MACHINE with the Windows access mask `access`.
// A null or empty path opens HKEY_LOCAL_MACHINE itself. On success *key is open.
long registryOpen(const char* path, std::uint32_t access, RegistryKey** key);

// Number of subkeys of an open key.
long registrySubKeyCount(RegistryKey* key, std::uint32_t* count);

// Name of the subkey at `index` into `name`, `capacity` characters with the NUL.
long registryEnumKey(RegistryKey* key, std::uint32_t index, char* name, std::uint32_t capacity);

// Name of the value at `index` into `name`; *length is the capacity in characters with
// the NUL on entry, and the name's length without the NUL on success.
long registryEnumValue(RegistryKey* key, std::uint32_t index, char* name, std::uint32_t* length);

// Data of the value `valueName` (null or empty: the unnamed value): text in UTF-8, any
// other type as stored; *size is the buffer's size on entry and the data's size on
// return. *narrowSize (when asked) is the size the data has in the host's narrow form:
// the ANSI code page's bytes on Windows, which limits what a host may receive, whichever
// form it takes it in.
long registryQueryValue(RegistryKey* key, const char* valueName, std::uint8_t* data, std::uint32_t* size,
                        std::uint32_t* narrowSize = nullptr);

// What registryQueryValue gave: text (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ), converted to
// UTF-8, or data of any other type (numbers, raw bytes, unknown types), as stored.
enum class ValueKind { Text, Stored };

// registryQueryValue, telling also which of the two the data is; *kind is set with REGISTRY_OK.
long registryQueryValueKind(RegistryKey* key, const char* valueName, std::uint8_t* data, std::uint32_t* size,
                            std::uint32_t* narrowSize, ValueKind* kind);

// Deletes the key `path` below HKEY_LOCAL_MACHINE; a key with subkeys is refused.
long registryDeleteKey(const char* path);

// Releases an open key; null is ignored.
void registryClose(RegistryKey* key);

}  // namespace kelvane::platform
