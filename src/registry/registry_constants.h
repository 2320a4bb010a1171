// Figures shared by the registry exports.
#pragma once
#include <cstdint>

namespace kelvane {

// Access asked for when a key is opened to be read (KEY_READ).
constexpr std::uint32_t KEY_READ = 0x20019;
// Bytes of the buffer that first receives one subkey or value name, NUL included: the
// longest key name, 255 UTF-16 units, at up to 3 bytes a unit in UTF-8 (2 in an ANSI
// code page). Longer value names get a larger buffer (see NameReader).
constexpr std::uint32_t NAME_CAPACITY = 255 * 3 + 1;

}  // namespace kelvane
