// Hex text: two uppercase digits per byte, high nibble first, no framing.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kelvane {

// The digit of a nibble 0-15: 0-9 then A-F.
char hexDigit(unsigned nibble);
// The value of a character: 0-9, A-F and a-f give 0-15; every other character gives 0.
unsigned hexValue(char character);

// Writes 2 * count digits for `bytes` to `text` (no NUL).
void encodeHex(const std::uint8_t* bytes, std::size_t count, char* text);
// Reads `count` bytes from the first 2 * count characters of `text`.
void decodeHex(const char* text, std::size_t count, std::uint8_t* bytes);

}  // namespace kelvane
