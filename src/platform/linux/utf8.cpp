#include "platform/linux/utf8.h"

namespace kelvane::platform {
namespace {

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the sequence that `lead` begins, 0 for a byte that begins none.
std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// Smallest code point that needs a sequence of each length (shorter forms are overlong).
constexpr char32_t SMALLEST_OF_LENGTH[] = {0, 0, 0x80, 0x800, 0x10000};

// The character of `length` bytes at `at`, or 0xFFFFFFFF when they do not form one.
char32_t decodeAt(std::string_view text, std::size_t at, std::size_t length) {
    constexpr char32_t INVALID = 0xFFFFFFFF;
    if (length == 0 || at + length > text.size()) return INVALID;
    constexpr unsigned char LEAD_BITS[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t c = static_cast<unsigned char>(text[at]) & LEAD_BITS[length];
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[at + i]);
        if (!isContinuation(byte)) return INVALID;
        c = c << 6 | (byte & 0x3F);
    }
    if (c < SMALLEST_OF_LENGTH[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return INVALID;
    return c;
}

}  // namespace

std::u32string decodeUtf8(std::string_view text) {
    std::u32string decoded;
    decoded.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = sequenceLength(lead);
        const char32_t c = decodeAt(text, at, length);
        if (c == 0xFFFFFFFF) {
            decoded += UNDECODABLE_BASE + lead;
            ++at;
        } else {
            decoded += c;
            at += length;
        }
    }
    return decoded;
}

void appendUtf8(std::string& text, char32_t c) {
    auto byte = [&text](char32_t b) { text += static_cast<char>(b); };
    if (c < 0x80) {
        byte(c);
    } else if (c < 0x800) {
        byte(0xC0 | c >> 6);
        byte(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        byte(0xE0 | c >> 12);
        byte(0x80 | (c >> 6 & 0x3F));
        byte(0x80 | (c & 0x3F));
    } else {
        byte(0xF0 | c >> 18);
        byte(0x80 | (c >> 12 & 0x3F));
        byte(0x80 | (c >> 6 & 0x3F));
        byte(0x80 | (c & 0x3F));
    }
}

}  // namespace kelvane::platform
