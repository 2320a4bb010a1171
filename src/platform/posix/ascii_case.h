// Case folding as Windows does it for key names and the computer name: ASCII letters
// only, whatever the C locale says.
#pragma once

namespace kelvane::platform {

inline char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace kelvane::platform
