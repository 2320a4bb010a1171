// The one log line of an action: "kelvane_msi NAME: ...". It is built from the call's
// name, fixed words, property names and numbers only, never from what the package passed
// (a pass phrase, a text, a path) or what came back, so its length is bounded.
#pragma once
#include <cstddef>

namespace kelvane::msi {

class LogLine {
public:
    explicit LogLine(const char* callName);
    LogLine& add(const wchar_t* words);
    LogLine& add(const char* ascii);
    const wchar_t* text() const { return chars_; }

private:
    void addCharacter(wchar_t character);

    // Longest line: the call's name and the longest reason with a property name fit well.
    static constexpr std::size_t CAPACITY = 160;
    wchar_t chars_[CAPACITY] = {};
    std::size_t size_ = 0;
};

}  // namespace kelvane::msi
