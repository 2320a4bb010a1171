// The computer's name as Windows forms it: at most 15 characters.
#pragma once
#include <cstdint>

namespace kelvane::platform {

// Writes the NUL-terminated name into `buffer` of *size characters and sets *size to
// its length. False when there is no name or it does not fit (*size then says how
// many characters, NUL included, it needs).
bool computerName(char* buffer, std::uint32_t* size);

}  // namespace kelvane::platform
