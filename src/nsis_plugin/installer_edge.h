// The plugin's edge, for each character width of installer: how an argument the
// installer popped becomes what the library takes, which calls it goes through, and how
// a result goes back. A buffer there was no memory for is not valid(): the call fails.
#pragma once
#include <cstddef>

#include "nsis_plugin/plugin_calls.h"

namespace kelvane::nsis {

template <typename Char>
struct InstallerEdge;

// An ANSI installer holds the ANSI code page, the library's own narrow form: arguments
// and results pass as they are, through the narrow calls.
template <>
struct InstallerEdge<char> {
    static bool argument(const char* given, std::size_t length, bool, Text* core) {
        *core = Text(given, length);
        return core->valid();
    }
    static Text result(const Text& core, bool) { return Text(core.data(), core.size()); }
    static CallOutcome call(const char* name, const Arguments& arguments) { return callNarrow(name, arguments); }
};

// A Unicode installer holds UTF-16: names travel as UTF-8 to the library and as UTF-16 on
// to the system; texts go to the ANSI code page, so that the hex is the DLL's for the same
// text, and a text with a character that has no form there is refused (false).
template <>
struct InstallerEdge<wchar_t> {
    static bool argument(const wchar_t* given, std::size_t length, bool text, Text* core);
    static platform::TextBuffer<wchar_t> result(const Text& core, bool text);
    static CallOutcome call(const char* name, const Arguments& arguments) { return callUtf8(name, arguments); }
};

// `value` in decimal.
template <typename Char>
platform::TextBuffer<Char> decimal(int value) {
    Char digits[12];  // "-2147483648" and room to spare
    std::size_t first = sizeof digits / sizeof *digits;
    unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        digits[--first] = static_cast<Char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) digits[--first] = static_cast<Char>('-');
    return platform::TextBuffer<Char>(digits + first, sizeof digits / sizeof *digits - first);
}

}  // namespace kelvane::nsis
