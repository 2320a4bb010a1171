#include "crypt/crc32.h"

#include <array>

namespace kelvane {
namespace {

// The reflected polynomial of CRC-32.
constexpr std::uint32_t CRC32_POLYNOMIAL = 0xEDB88320u;

// Remainder of every byte value, eight shifts of the polynomial each: the usual 256-entry table.
constexpr std::array<std::uint32_t, 256> makeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t value = 0; value < 256; ++value) {
        std::uint32_t remainder = value;
        for (int bit = 0; bit < 8; ++bit) {
            remainder = (remainder & 1u) ? (remainder >> 1) ^ CRC32_POLYNOMIAL : remainder >> 1;
        }
        table[value] = remainder;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> crcTable = makeCrcTable();

}  // namespace

std::uint32_t crc32(const std::uint8_t* bytes, std::size_t count) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < count; ++i) crc = crcTable[(crc ^ bytes[i]) & 0xFFu] ^ (crc >> 8);
    return ~crc;
}

}  // namespace kelvane
