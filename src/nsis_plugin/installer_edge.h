// The plugin's edge, for each character width of installer: how an argument the
// installer popped becomes what the library takes, which calls it goes through, and how
// a result goes back.
#pragma once
#include <string>
#include <vector>

#include "nsis_plugin/plugin_calls.h"

namespace kelvane::nsis {

template <typename Char>
struct InstallerEdge;

// An ANSI installer holds the ANSI code page, the library's own narrow form: arguments
// and results pass as they are, through the narrow calls.
template <>
struct InstallerEdge<char> {
    static bool argument(const std::string& given, bool, std::string* core) {
        *core = given;
        return true;
    }
    static std::string result(const std::string& core, bool) { return core; }
    static std::string number(int value) { return std::to_string(value); }
    static CallOutcome call(const char* name, const std::vector<std::string>& arguments) {
        return callNarrow(name, arguments);
    }
};

// A Unicode installer holds UTF-16: names travel as UTF-8 to the library and as UTF-16 on
// to the system; texts go to the ANSI code page, so that the hex is the DLL's for the same
// text, and a text with a character that has no form there is refused (false).
template <>
struct InstallerEdge<wchar_t> {
    static bool argument(const std::wstring& given, bool text, std::string* core);
    static std::wstring result(const std::string& core, bool text);
    static std::wstring number(int value) { return std::to_wstring(value); }
    static CallOutcome call(const char* name, const std::vector<std::string>& arguments) {
        return callUtf8(name, arguments);
    }
};

}  // namespace kelvane::nsis
