// UTF-16LE as hives store strings, to UTF-8, the narrow form on this side.
#pragma once
#include <cstddef>
#include <string>

namespace kelvane::platform {

// Every code unit converted, NULs included (so a list of strings keeps its
// separators); an unpaired surrogate becomes U+FFFD, an odd last byte is dropped.
std::string utf16LeToUtf8(const unsigned char* data, std::size_t size);

}  // namespace kelvane::platform
