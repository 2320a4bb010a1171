#include "msi_action/log_line.h"

namespace kelvane::msi {

LogLine::LogLine(const char* callName) { add("kelvane_msi ").add(callName).add(": "); }

LogLine& LogLine::add(const wchar_t* words) {
    while (*words != 0) addCharacter(*words++);
    return *this;
}

LogLine& LogLine::add(const char* ascii) {
    while (*ascii != 0) addCharacter(static_cast<wchar_t>(*ascii++));
    return *this;
}

void LogLine::addCharacter(wchar_t character) {
    // The last place stays the NUL; a longer line is cut.
    if (size_ + 1 < CAPACITY) chars_[size_++] = character;
}

}  // namespace kelvane::msi
