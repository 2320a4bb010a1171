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

DesSchedule desMakeSchedule(const std::uint8_t key[8]);
// Enciphers (direction non-zero) or deciphers (0) one block in place.
void desCryptBlock(std::uint8_t block[8], const DesSchedule& schedule, std::uint16_t direction);

}  // namespace kelvane
