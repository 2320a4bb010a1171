// Helpers of the registry tests: results as optional text, and fixture shortcuts.
#pragma once
#include <optional>
#include <string>

#include "frame/module_memory.h"
#include "support/registry_fixture.h"

namespace kelvane::test {

// The text of a ModuleString, released again; nullopt for a null result.
inline std::optional<std::string> takeText(char* result) {
    if (result == nullptr) return std::nullopt;
    std::string text = result;
    moduleFree(result);
    return text;
}

// The key through which ReadSubValues reads its value names.
inline const std::string TDS_KEY = "SOFTWARE\\Microsoft\\MSSQLServer\\Client\\TDS";

// Creates `parent` with the subkeys `names`, in that order.
inline void createSubKeys(RegistryFixture& registry, const std::string& parent, std::initializer_list<const char*> names) {
    registry.createKey(parent);
    for (const char* name : names) registry.createKey(parent + "\\" + name);
}

}  // namespace kelvane::test
