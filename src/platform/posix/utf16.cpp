#include "platform/posix/utf16.h"

#include <cstdint>

namespace kelvane::platform {
namespace {

constexpr char32_t REPLACEMENT = 0xFFFD;  // stands for a code unit that is no character

std::uint16_t unitAt(const unsigned char* data, std::size_t index) {
    return static_cast<std::uint16_t>(data[2 * index] | data[2 * index + 1] << 8);
}

bool isHighSurrogate(std::uint16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(std::uint16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

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

}  // namespace

std::string utf16LeToUtf8(const unsigned char* data, std::size_t size) {
    const std::size_t units = size / 2;
    std::string text;
    text.reserve(units);
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint16_t unit = unitAt(data, i);
        if (isHighSurrogate(unit) && i + 1 < units && isLowSurrogate(unitAt(data, i + 1))) {
            const std::uint16_t low = unitAt(data, ++i);
            appendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            appendUtf8(text, REPLACEMENT);
        } else {
            appendUtf8(text, unit);
        }
    }
    return text;
}

}  // namespace kelvane::platform
