// The computer name from kernel32, in UTF-8.
#include "platform/computer_name.h"

#include <windows.h>

#include <cstring>

#include "platform/win32/wide_text.h"

namespace kelvane::platform {

bool computerName(char* buffer, std::uint32_t* size) {
    wchar_t wide[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD units = MAX_COMPUTERNAME_LENGTH + 1;
    if (GetComputerNameW(wide, &units) == 0) return false;
    const Text name = utf8FromWide(wide, units);
    if (!name.valid()) return false;
    const std::uint32_t capacity = *size;
    *size = static_cast<std::uint32_t>(name.size() + 1);
    if (name.size() >= capacity) return false;
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *size = static_cast<std::uint32_t>(name.size());
    return true;
}

}  // namespace kelvane::platform
