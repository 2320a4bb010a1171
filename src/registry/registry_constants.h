// Figures shared by the registry exports.
#pragma once
#include <cstdint>

namespace kelvane {

// Access asked for when a key is opened to be read (KEY_READ).
constexpr std::uint32_t KEY_READ = 0x20019;
// Characters of the buffer that receives one subkey or value name, NUL included.
constexpr std::uint32_t NAME_CAPACITY = 256;

}  // namespace kelvane
