// The computer name from kernel32.
#include "platform/computer_name.h"

#include <windows.h>

namespace kelvane::platform {

bool computerName(char* buffer, std::uint32_t* size) {
    DWORD capacity = *size;
    const bool named = GetComputerNameA(buffer, &capacity) != 0;
    *size = capacity;
    return named;
}

}  // namespace kelvane::platform
