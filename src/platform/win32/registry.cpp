// The registry operations over advapi32's narrow functions, below HKEY_LOCAL_MACHINE.
#include "platform/registry.h"

#include <windows.h>

#include "platform/win32/narrow_names.h"

namespace kelvane::platform {
namespace {

// An open key is the HKEY itself; RegistryKey is never defined on this side.
HKEY handleOf(RegistryKey* key) { return reinterpret_cast<HKEY>(key); }

// Capacity of the class-name buffer that the subkey count query fills and ignores.
constexpr DWORD CLASS_CAPACITY = 256;

}  // namespace

long registryOpen(const char* path, std::uint32_t access, RegistryKey** key) {
    *key = nullptr;
    if (!fitsNarrowName(path)) return ERROR_INVALID_PARAMETER;  // what Windows answers for such a path
    HKEY handle = nullptr;
    const LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, &handle);
    *key = status == ERROR_SUCCESS ? reinterpret_cast<RegistryKey*>(handle) : nullptr;
    return status;
}

long registrySubKeyCount(RegistryKey* key, std::uint32_t* count) {
    char className[CLASS_CAPACITY];
    DWORD classLength = CLASS_CAPACITY;
    DWORD subKeys = 0, maxSubKeyLength = 0, maxClassLength = 0, values = 0;
    DWORD maxValueNameLength = 0, maxValueLength = 0, securityLength = 0;
    FILETIME lastWrite;
    const LONG status = RegQueryInfoKeyA(handleOf(key), className, &classLength, nullptr, &subKeys,
                                         &maxSubKeyLength, &maxClassLength, &values, &maxValueNameLength,
                                         &maxValueLength, &securityLength, &lastWrite);
    *count = status == ERROR_SUCCESS ? subKeys : 0;
    return status;
}

long registryEnumKey(RegistryKey* key, std::uint32_t index, char* name, std::uint32_t capacity) {
    return RegEnumKeyA(handleOf(key), index, name, capacity);
}

long registryEnumValue(RegistryKey* key, std::uint32_t index, char* name, std::uint32_t* length) {
    DWORD capacity = *length;
    const LONG status = RegEnumValueA(handleOf(key), index, name, &capacity, nullptr, nullptr, nullptr, nullptr);
    *length = capacity;
    return status;
}

long registryQueryValue(RegistryKey* key, const char* valueName, std::uint8_t* data, std::uint32_t* size) {
    if (!fitsNarrowName(valueName)) return ERROR_INVALID_PARAMETER;
    DWORD type = 0;
    DWORD capacity = *size;
    const LONG status = RegQueryValueExA(handleOf(key), valueName, nullptr, &type, data, &capacity);
    *size = capacity;
    return status;
}

long registryDeleteKey(const char* path) {
    if (!fitsNarrowName(path)) return ERROR_INVALID_PARAMETER;
    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
}

void registryClose(RegistryKey* key) {
    if (key != nullptr) RegCloseKey(handleOf(key));
}

}  // namespace kelvane::platform
