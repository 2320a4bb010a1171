#include "platform/win32/wide_text.h"

#include <windows.h>

#include <cwchar>

namespace kelvane::platform {
namespace {

// Characters the system converts in one call: its counts are ints.
constexpr std::size_t CONVERSION_LIMIT = 0x7FFFFFFF / 4;

// `count` units of `from` in code page `page` through MultiByteToWideChar.
WideText toWide(UINT page, const char* from, std::size_t count) {
    if (count == 0 || count > CONVERSION_LIMIT) return {};
    const int units = MultiByteToWideChar(page, 0, from, static_cast<int>(count), nullptr, 0);
    WideText wide(units > 0 ? units : 0);
    if (units > 0 && wide.valid()) MultiByteToWideChar(page, 0, from, static_cast<int>(count), wide.data(), units);
    return wide;
}

}  // namespace

WideName::WideName(const char* utf8) : null_(utf8 == nullptr), fits_(true) {
    if (utf8 == nullptr) return;
    // A name within the limit takes at most 3 UTF-8 bytes a unit: a longer one is read no
    // further than that.
    std::size_t length = 0;
    while (length <= 3 * MAX_WIDE_NAME && utf8[length] != '\0') ++length;
    if (length > 3 * MAX_WIDE_NAME) {
        fits_ = false;
        return;
    }
    text_ = wideFromUtf8(utf8, length);
    fits_ = text_.valid() && text_.size() <= MAX_WIDE_NAME;
}

Text utf8FromWide(const wchar_t* wide, std::size_t count) {
    if (count == 0 || count > CONVERSION_LIMIT) return {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(count), nullptr, 0, nullptr, nullptr);
    Text utf8(bytes > 0 ? bytes : 0);
    if (bytes > 0 && utf8.valid()) {
        WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(count), utf8.data(), bytes, nullptr, nullptr);
    }
    return utf8;
}

WideText wideFromUtf8(const char* utf8, std::size_t count) { return toWide(CP_UTF8, utf8, count); }

WideText wideFromAnsi(const char* ansi, std::size_t count) { return toWide(CP_ACP, ansi, count); }

bool ansiFromWide(const wchar_t* wide, std::size_t count, bool exact, Text* ansi) {
    *ansi = Text();
    if (count == 0) return true;
    if (count > CONVERSION_LIMIT) return false;
    // No best fit: "α" must not turn into "a", nor "Ω" into "O", when the text is its own key.
    const DWORD flags = exact ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL defaulted = FALSE;
    BOOL* askDefaulted = exact ? &defaulted : nullptr;
    const int bytes =
        WideCharToMultiByte(CP_ACP, flags, wide, static_cast<int>(count), nullptr, 0, nullptr, askDefaulted);
    if (bytes <= 0 || defaulted) return false;
    *ansi = Text(bytes);
    if (!ansi->valid()) return false;
    WideCharToMultiByte(CP_ACP, flags, wide, static_cast<int>(count), ansi->data(), bytes, nullptr, nullptr);
    return true;
}


Utf8OfWide::Utf8OfWide(const wchar_t* wide) : null_(wide == nullptr) {
    if (wide != nullptr) text_ = utf8FromWide(wide, std::wcslen(wide));
}

const char* Utf8OfWide::get() const {
    if (null_) return nullptr;
    return text_.valid() ? text_.c_str() : UNUSABLE_NAME;
}

}  // namespace kelvane::platform
