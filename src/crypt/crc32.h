// CRC-32 of IEEE 802.3 / ISO-HDLC: reflected, polynomial 0xEDB88320, initial value
// 0xFFFFFFFF, result complemented. The check value of a container's file key.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kelvane {

// Checksum of `count` bytes; 0 for none.
std::uint32_t crc32(const std::uint8_t* bytes, std::size_t count);

}  // namespace kelvane
