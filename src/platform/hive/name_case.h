// Names compared as Windows compares key and value names and forms the computer name:
// each UTF-16 code unit upper-cased by its simple Unicode upper case. The case table is
// glibc's, read through a C.UTF-8 locale object of our own, so the host's locale is
// neither read nor changed.
#pragma once
#include <string>
#include <string_view>

namespace kelvane::platform {

// Simple upper case of `c` as Windows applies it per UTF-16 unit: characters outside the
// Basic Multilingual Plane (two units there) stay as they are.
char32_t upperCaseAsWindows(char32_t c);

// The UTF-8 name `name` as the UTF-16 units that Windows compares: upper-cased, and every
// byte that is not valid UTF-8 as a unit that no character gives (see decodeUtf8).
std::u16string foldedName(std::string_view name);

// Windows' order of key names: by their folded units.
bool precedesInKeyOrder(std::string_view a, std::string_view b);

}  // namespace kelvane::platform
