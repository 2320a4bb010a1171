// The registry operations over advapi32's W functions, below HKEY_LOCAL_MACHINE: names
// go in and come out as UTF-8, and travel as UTF-16 in between.
#include "platform/registry.h"

#include <windows.h>

#include <cstring>

#include "platform/win32/wide_text.h"

namespace kelvane::platform {
namespace {

// An open key is the HKEY itself; RegistryKey is never defined on this side.
HKEY handleOf(RegistryKey* key) { return reinterpret_cast<HKEY>(key); }

// Value types whose data the system stores as UTF-16 text: REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ.
bool isText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// Copies the UTF-8 form of `count` units of `wide` into `name` of `capacity` bytes with
// its NUL; REGISTRY_MORE_DATA when it does not fit.
long giveName(const wchar_t* wide, std::size_t count, char* name, std::uint32_t capacity, std::uint32_t* length) {
    const Text utf8 = utf8FromWide(wide, count);
    if (!utf8.valid()) return ERROR_OUTOFMEMORY;
    if (utf8.size() >= capacity) return REGISTRY_MORE_DATA;
    std::memcpy(name, utf8.c_str(), utf8.size() + 1);
    *length = static_cast<std::uint32_t>(utf8.size());
    return REGISTRY_OK;
}

}  // namespace

long registryOpen(const char* path, std::uint32_t access, RegistryKey** key) {
    *key = nullptr;
    const WideName wide(path);
    if (!wide.fits()) return ERROR_INVALID_PARAMETER;  // what Windows answers for such a path
    HKEY handle = nullptr;
    const LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, wide.get(), 0, access, &handle);
    *key = status == ERROR_SUCCESS ? reinterpret_cast<RegistryKey*>(handle) : nullptr;
    return status;
}

long registrySubKeyCount(RegistryKey* key, std::uint32_t* count) {
    DWORD subKeys = 0;
    const LONG status = RegQueryInfoKeyW(handleOf(key), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                                         nullptr, nullptr, nullptr, nullptr, nullptr);
    *count = status == ERROR_SUCCESS ? subKeys : 0;
    return status;
}

// A UTF-8 name takes at least one byte per UTF-16 unit: `capacity` units hold any name
// whose UTF-8 form fits.
long registryEnumKey(RegistryKey* key, std::uint32_t index, char* name, std::uint32_t capacity) {
    WideText wide(capacity);
    if (!wide.valid()) return ERROR_OUTOFMEMORY;
    DWORD units = capacity;
    const LONG status =
        RegEnumKeyExW(handleOf(key), index, wide.data(), &units, nullptr, nullptr, nullptr, nullptr);
    std::uint32_t length = 0;
    return status == ERROR_SUCCESS ? giveName(wide.data(), units, name, capacity, &length) : status;
}

long registryEnumValue(RegistryKey* key, std::uint32_t index, char* name, std::uint32_t* length) {
    WideText wide(*length);
    if (!wide.valid()) return ERROR_OUTOFMEMORY;
    DWORD units = *length;
    const LONG status =
        RegEnumValueW(handleOf(key), index, wide.data(), &units, nullptr, nullptr, nullptr, nullptr);
    return status == ERROR_SUCCESS ? giveName(wide.data(), units, name, *length, length) : status;
}

long registryQueryValue(RegistryKey* key, const char* valueName, std::uint8_t* data, std::uint32_t* size,
                        std::uint32_t* narrowSize) {
    ValueKind kind;
    return registryQueryValueKind(key, valueName, data, size, narrowSize, &kind);
}

long registryQueryValueKind(RegistryKey* key, const char* valueName, std::uint8_t* data, std::uint32_t* size,
                            std::uint32_t* narrowSize, ValueKind* kind) {
    const WideName wide(valueName);
    if (!wide.fits()) return ERROR_INVALID_PARAMETER;
    DWORD type = 0;
    DWORD bytes = 0;
    LONG status = RegQueryValueExW(handleOf(key), wide.get(), nullptr, &type, nullptr, &bytes);
    TextBuffer<std::uint8_t> raw(status == ERROR_SUCCESS ? bytes : 0);
    if (!raw.valid()) return ERROR_OUTOFMEMORY;
    if (status == ERROR_SUCCESS && bytes > 0) {
        status = RegQueryValueExW(handleOf(key), wide.get(), nullptr, &type, raw.data(), &bytes);
    }
    if (status != ERROR_SUCCESS) return status;
    raw.shorten(bytes);
    // Text in UTF-8, every unit converted, NULs included; other data as stored.
    Text text;
    Text ansi;
    if (isText(type)) {
        const auto* units = reinterpret_cast<const wchar_t*>(raw.data());
        text = utf8FromWide(units, raw.size() / 2);
        ansiFromWide(units, raw.size() / 2, false, &ansi);
        if (!text.valid() || !ansi.valid()) return ERROR_OUTOFMEMORY;
    }
    *kind = isText(type) ? ValueKind::Text : ValueKind::Stored;
    if (narrowSize != nullptr) *narrowSize = static_cast<std::uint32_t>(isText(type) ? ansi.size() : raw.size());
    const std::uint8_t* given = isText(type) ? reinterpret_cast<const std::uint8_t*>(text.data()) : raw.data();
    const std::size_t count = isText(type) ? text.size() : raw.size();
    const std::uint32_t capacity = *size;
    *size = static_cast<std::uint32_t>(count);
    if (count > capacity) return REGISTRY_MORE_DATA;
    if (count > 0) std::memcpy(data, given, count);
    return REGISTRY_OK;
}

long registryDeleteKey(const char* path) {
    const WideName wide(path);
    if (!wide.fits()) return ERROR_INVALID_PARAMETER;
    return RegDeleteKeyW(HKEY_LOCAL_MACHINE, wide.get());
}

void registryClose(RegistryKey* key) {
    if (key != nullptr) RegCloseKey(handleOf(key));
}

}  // namespace kelvane::platform
