// Large files for the large-file tests: made sparse, so that a file over 4 GiB costs
// no disk space until it is enciphered, and read at 64-bit offsets.
#pragma once
#include <cstdint>
#include <string>

#include "support/test_support.h"

namespace kelvane::test {

// A file of `size` bytes: `head` at its start, `tail` at its end, holes between.
// Throws when the file cannot be made.
void makeSparseFile(const std::string& path, std::int64_t size, const Bytes& head, const Bytes& tail);

// The size of a file, or -1.
std::int64_t fileSize64(const std::string& path);
// `count` bytes from `offset`; fewer at the end of the file, none when it cannot be read.
Bytes readAt(const std::string& path, std::int64_t offset, std::size_t count);

}  // namespace kelvane::test
