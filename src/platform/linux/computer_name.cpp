// The computer name from the host name, formed as Windows forms it: the part before
// the first dot, upper-cased, cut to 15 characters. Characters are counted and cut
// as characters, never inside one.
#include "platform/computer_name.h"
#include "platform/linux/computer_name_form.h"

#include <unistd.h>

#include <string>
#include <string_view>

#include "platform/hive/name_case.h"
#include "platform/linux/utf8.h"

namespace kelvane::platform {
namespace {

// Longest computer name Windows gives (MAX_COMPUTERNAME_LENGTH), in characters.
constexpr std::size_t COMPUTER_NAME_LIMIT = 15;
// Room for any host name POSIX allows (HOST_NAME_MAX is 64 on Linux).
constexpr std::size_t HOST_NAME_CAPACITY = 256;
// Stands for a host-name byte that is no UTF-8 character, as Wine puts it for every
// byte outside ASCII.
constexpr char32_t UNNAMED_BYTE = '_';

std::string formedName() {
    char host[HOST_NAME_CAPACITY] = {};
    if (gethostname(host, sizeof host - 1) != 0) return {};
    return computerNameOfHost(host);
}

}  // namespace

std::string computerNameOfHost(std::string_view hostName) {
    std::string name;
    std::size_t characters = 0;
    for (char32_t c : decodeUtf8(hostName.substr(0, hostName.find('.')))) {
        if (characters++ == COMPUTER_NAME_LIMIT) break;
        appendUtf8(name, isUndecodableMark(c) ? UNNAMED_BYTE : upperCaseAsWindows(c));
    }
    return name;
}

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
