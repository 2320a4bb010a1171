// The vector bodies of encodeHex and decodeHex, one translation unit per instruction
// set. Each takes whole steps only (16 or 32 bytes) and returns how many bytes it did;
// hex.cpp does the rest.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kelvane {

std::size_t encodeHexSse2(const std::uint8_t* bytes, std::size_t count, char* text);
std::size_t decodeHexSse2(const char* text, std::size_t count, std::uint8_t* bytes);
std::size_t encodeHexAvx2(const std::uint8_t* bytes, std::size_t count, char* text);
std::size_t decodeHexAvx2(const char* text, std::size_t count, std::uint8_t* bytes);

}  // namespace kelvane
