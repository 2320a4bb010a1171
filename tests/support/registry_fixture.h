// Keys and values made for a test below HKEY_LOCAL_MACHINE and removed afterwards: on
// Windows in the registry itself, elsewhere in a hive file inside a scratch folder that
// KELVANE_HKLM names for the fixture's lifetime.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "support/test_support.h"

namespace kelvane::test {

// Value types, with Windows' numbers.
enum class ValueType : std::uint32_t {
    None = 0,            // REG_NONE
    String = 1,          // REG_SZ
    ExpandString = 2,    // REG_EXPAND_SZ
    Binary = 3,          // REG_BINARY
    Dword = 4,           // REG_DWORD
    MultiString = 7,     // REG_MULTI_SZ
    Qword = 11,          // REG_QWORD
};

class RegistryFixture {
public:
    RegistryFixture();
    ~RegistryFixture();
    RegistryFixture(const RegistryFixture&) = delete;
    RegistryFixture& operator=(const RegistryFixture&) = delete;

    // A key below HKEY_LOCAL_MACHINE that belongs to this fixture alone; tests make theirs below it.
    const std::string& root() const;
    // `name` below root().
    std::string keyPath(const std::string& name) const;

    // Creates `path` below HKEY_LOCAL_MACHINE with any missing parents; every key this
    // creates outside root() is removed with the fixture too.
    void createKey(const std::string& path);
    // Stores a value in the existing key `path`. String types take the narrow text as
    // the registry's narrow calls take it (the NUL only when `data` holds one); other
    // types take the bytes as stored. An empty name is the key's unnamed value.
    void setValue(const std::string& path, const std::string& name, ValueType type, const Bytes& data);
    bool keyExists(const std::string& path);

    // The folder of hive files standing in for HKEY_LOCAL_MACHINE; empty on Windows.
    std::string hiveFolder() const;

    struct Store;

private:
    std::unique_ptr<Store> store_;
};

// The UTF-8 text `utf8` as the registry's narrow calls take and give it on this target:
// unchanged over hive files, in the ANSI code page on Windows.
std::string narrowText(const std::string& utf8);

// `text` as bytes, with its NUL when `terminated`.
Bytes textBytes(const std::string& text, bool terminated = true);

}  // namespace kelvane::test
