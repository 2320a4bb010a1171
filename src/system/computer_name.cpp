// ComputerName: the computer's name as a fresh string.
#include "platform/computer_name.h"

#include <cstring>

#include "frame/module_memory.h"
#include "system/system_exports.h"

namespace kelvane {

namespace utf8 {

char* ComputerName() {
    char name[platform::COMPUTER_NAME_BYTES];
    std::uint32_t size = platform::COMPUTER_NAME_BYTES;
    if (!platform::computerName(name, &size)) return nullptr;
    return copyModuleString(name, std::strlen(name));
}

}  // namespace utf8
}  // namespace kelvane
