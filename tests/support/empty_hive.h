// A minimal valid registry hive with nothing below its root key, which hivex can open
// and fill (hivex cannot create a hive itself).
#pragma once
#include "support/test_support.h"

namespace kelvane::test {

// Size of the image: a 4096-byte base block and one 4096-byte hive bin.
constexpr std::size_t EMPTY_HIVE_SIZE = 0x2000;

// The image: base block with its checksum, one hive bin holding the root key cell, its
// security cell and one free cell for the rest.
Bytes emptyHive();

// Offset of the base block's checksum, the XOR of the 127 dwords before it.
constexpr std::size_t HIVE_CHECKSUM_OFFSET = 508;

}  // namespace kelvane::test
