#include "cipher/hex.h"

#include <array>
#include <cstring>

#include "cipher/kernels.h"

namespace kelvane {
namespace {

constexpr char DIGITS[] = "0123456789ABCDEF";

// The two digits of every byte value, high nibble first: one lookup and one two-byte
// copy per byte.
struct DigitPair {
    char digits[2];
};
constexpr std::array<DigitPair, 256> makePairTable() {
    std::array<DigitPair, 256> table{};
    for (unsigned b = 0; b < 256; ++b) {
        table[b].digits[0] = DIGITS[b >> 4];
        table[b].digits[1] = DIGITS[b & 15];
    }
    return table;
}
constexpr auto HEX_PAIRS = makePairTable();

// The value of every character; 0 for anything that is not a hex digit.
constexpr std::array<std::uint8_t, 256> makeValueTable() {
    std::array<std::uint8_t, 256> table{};
    for (unsigned c = '0'; c <= '9'; ++c) table[c] = static_cast<std::uint8_t>(c - '0');
    for (unsigned c = 'A'; c <= 'F'; ++c) table[c] = static_cast<std::uint8_t>(c - 'A' + 10);
    for (unsigned c = 'a'; c <= 'f'; ++c) table[c] = static_cast<std::uint8_t>(c - 'a' + 10);
    return table;
}
constexpr auto HEX_VALUES = makeValueTable();

}  // namespace

char hexDigit(unsigned nibble) { return DIGITS[nibble & 15]; }

unsigned hexValue(char character) { return HEX_VALUES[static_cast<unsigned char>(character)]; }

void encodeHex(const std::uint8_t* bytes, std::size_t count, char* text) {
    std::size_t i = activeKernels().encodeHex(bytes, count, text);
    for (; i < count; ++i) std::memcpy(text + 2 * i, HEX_PAIRS[bytes[i]].digits, 2);
}

void decodeHex(const char* text, std::size_t count, std::uint8_t* bytes) {
    std::size_t i = activeKernels().decodeHex(text, count, bytes);
    for (; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(hexValue(text[2 * i]) << 4 | hexValue(text[2 * i + 1]));
    }
}

}  // namespace kelvane
