// Narrow names that the A functions can take whole. They count a name's length in 16 bits;
// Windows clamps a longer length and refuses the name, Wine wraps it at 64 Ki characters and
// acts on a prefix: another file to encipher, another key to read or delete.
#pragma once
#include <cstddef>

namespace kelvane::platform {

// Longest narrow name passed on: one more character and its wide form no longer fits the
// 65535-byte counted string the A functions convert it into.
constexpr std::size_t MAX_NARROW_NAME = 32766;

// True for a null name (the calls take null themselves) and for one of at most MAX_NARROW_NAME
// characters; looks no further than that.
inline bool fitsNarrowName(const char* name) {
    if (name == nullptr) return true;
    for (std::size_t i = 0; i <= MAX_NARROW_NAME; ++i) {
        if (name[i] == '\0') return true;
    }
    return false;
}

}  // namespace kelvane::platform
