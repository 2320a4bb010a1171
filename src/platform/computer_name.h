// The computer's name as Windows forms it: at most 15 characters.
#pragma once
#include <cstdint>

namespace kelvane::platform {

// Bytes that hold any computer name with its NUL: 15 characters of at most 4 bytes each
// in the narrow encoding (UTF-8 here; an ANSI code page needs 1 or 2), and the NUL.
constexpr std::uint32_t COMPUTER_NAME_BYTES = 15 * 4 + 1;

// Writes the NUL-terminated name into `buffer` of *size bytes and sets *size to its
// length in bytes. False when there is no name or it does not fit (*size then says how
// many bytes, NUL included, it needs).
bool computerName(char* buffer, std::uint32_t* size);

}  // namespace kelvane::platform
