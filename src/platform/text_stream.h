// A C runtime stream opened by a UTF-8 path: the narrow fopen of Windows reads its path
// in the ANSI code page, so the path goes through _wfopen there.
#pragma once
#include <cstdio>

namespace kelvane::platform {

// fopen(path, mode) with `path` in UTF-8; null when it cannot be opened.
std::FILE* openStream(const char* path, const char* mode);

}  // namespace kelvane::platform
