// DES (FIPS 46-3), single DES on 8-byte blocks. Byte 0 of a block or key is the
// standard's most significant byte (bits 1-8); the low bit of each key byte is parity
// and ignored; no key is refused.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kelvane {

// 16 round keys in enciphering order, two 32-bit words each.
struct DesSchedule {
    std::uint32_t words[32];
};

// The round keys as slice masks for the bit-sliced kernels, in the order of use:
// masks[r][i-1] is all ones when bit i of the key of the r-th round applied is 1, else zero.
struct DesSliceKeys {
    std::uint32_t masks[16][48];
};

// One key in one direction, in both forms the engine runs on: made once for any number
// of calls on it.
struct DesKeyedRun {
    DesSchedule roundKeys;  // in the order of the direction, for the table code
    DesSliceKeys sliceKeys;
};

DesSchedule desMakeSchedule(const std::uint8_t key[8]);
// Enciphers (direction non-zero) or deciphers (0) one block in place.
void desCryptBlock(std::uint8_t block[8], const DesSchedule& schedule, std::uint16_t direction);

DesKeyedRun desPrepareRun(const std::uint8_t key[8], std::uint16_t direction);
// Runs `blockCount` blocks from `in` to `out`: the same buffer, or two that do not overlap.
void desRunBlocks(const DesKeyedRun& run, const std::uint8_t* in, std::uint8_t* out, std::size_t blockCount);

}  // namespace kelvane
