#include "platform/hive/utf16.h"

#include <cstdint>

#include "platform/linux/utf8.h"

namespace kelvane::platform {
namespace {

constexpr char32_t REPLACEMENT = 0xFFFD;  // stands for a code unit that is no character

std::uint16_t unitAt(const unsigned char* data, std::size_t index) {
    return static_cast<std::uint16_t>(data[2 * index] | data[2 * index + 1] << 8);
}

bool isHighSurrogate(std::uint16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(std::uint16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

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
