// The computer name from the host name, formed as Windows forms it: the part before
// the first dot, upper-cased, cut to 15 characters.
#include "platform/computer_name.h"

#include <unistd.h>

#include <string>

#include "platform/posix/ascii_case.h"

namespace kelvane::platform {
namespace {

// Longest computer name Windows gives (MAX_COMPUTERNAME_LENGTH).
constexpr std::size_t COMPUTER_NAME_LIMIT = 15;
// Room for any host name POSIX allows (HOST_NAME_MAX is 64 on Linux).
constexpr std::size_t HOST_NAME_CAPACITY = 256;

std::string formedName() {
    char host[HOST_NAME_CAPACITY] = {};
    if (gethostname(host, sizeof host - 1) != 0) return {};
    std::string name;
    for (const char* c = host; *c != '\0' && *c != '.' && name.size() < COMPUTER_NAME_LIMIT; ++c) {
        name += upperAscii(*c);
    }
    return name;
}

}  // namespace

bool computerName(char* buffer, std::uint32_t* size) {
    const std::string name = formedName();
    if (name.empty()) return false;
    if (name.size() + 1 > *size) {
        *size = static_cast<std::uint32_t>(name.size() + 1);
        return false;
    }
    name.copy(buffer, name.size());
    buffer[name.size()] = '\0';
    *size = static_cast<std::uint32_t>(name.size());
    return true;
}

}  // namespace kelvane::platform
