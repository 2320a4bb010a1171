// What each algorithm file gives the dispatcher: a routine that processes
// `blockCount` whole blocks in place, in ascending order.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kelvane {

using BlockRunner = void (*)(std::uint8_t* buffer, std::size_t blockCount, const std::uint8_t* key,
                             std::uint16_t direction);

void ideaCryptBuffer(std::uint8_t* buffer, std::size_t blockCount, const std::uint8_t* key,
                     std::uint16_t direction);
void wideCryptBuffer(std::uint8_t* buffer, std::size_t blockCount, const std::uint8_t* key,
                     std::uint16_t direction);
void desCryptBuffer(std::uint8_t* buffer, std::size_t blockCount, const std::uint8_t* key,
                    std::uint16_t direction);
void xorCryptBuffer(std::uint8_t* buffer, std::size_t blockCount, const std::uint8_t* key,
                    std::uint16_t direction);

}  // namespace kelvane
