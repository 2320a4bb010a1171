// ComputerName: the computer's name as a fresh string.
#include "platform/computer_name.h"

#include <cstring>

#include "frame/module_memory.h"
#include "registry/registry_exports.h"

namespace kelvane {
namespace {

// Characters of the name buffer, NUL included (MAX_COMPUTERNAME_LENGTH + 1).
constexpr std::uint32_t COMPUTER_NAME_CAPACITY = 16;

}  // namespace

char* ComputerName() {
    char name[COMPUTER_NAME_CAPACITY];
    std::uint32_t size = COMPUTER_NAME_CAPACITY;
    if (!platform::computerName(name, &size)) return nullptr;
    return copyModuleString(name, std::strlen(name));
}

}  // namespace kelvane
