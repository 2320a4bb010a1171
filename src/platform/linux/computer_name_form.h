// The computer name that Windows forms from a host name, apart from where the host name
// comes from.
#pragma once
#include <string>
#include <string_view>

namespace kelvane::platform {

// `hostName` up to its first dot, upper-cased, cut to 15 characters, in UTF-8; a byte of
// it that is no UTF-8 character becomes '_'.
std::string computerNameOfHost(std::string_view hostName);

}  // namespace kelvane::platform
