// A hive file image with one very wide key, written directly: hivex can fill a hive but
// adds each subkey by copying the parent's whole subkey list into new, never reused
// space, so a key of n subkeys takes O(n^2) time and space that way (16,000 subkeys:
// 61 s and a 1 GB file).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kelvane::bench {

// Name of the subkey at `index` of the wide key: "Key" and seven digits, so that the
// names' order is the order Windows sorts them.
std::string wideSubKeyName(std::size_t index);

// A hive whose root holds one key, Wide, with `count` subkeys and no values.
std::vector<std::uint8_t> wideHive(std::size_t count);

}  // namespace kelvane::bench
