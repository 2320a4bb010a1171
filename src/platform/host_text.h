// Text at the library's edge. Inside, every path, key path, value name and listing is
// UTF-8. A host's narrow text is in its own form: the ANSI code page on Windows (what
// the A functions of the system take), UTF-8 elsewhere, where nothing is converted.
// Why one form inside: UTF-8 holds every name, so the wide twins and the narrow exports
// share one core; it already is the narrow form on Linux, so the .so's path is unchanged;
// and the Windows bodies convert once, to UTF-16 for the W functions, in one place.
#pragma once
#include "platform/text_buffer.h"

namespace kelvane::platform {

// A host's narrow argument in UTF-8; a null argument stays null. An argument there was
// no memory to convert becomes a name that nothing carries, so the call fails.
class Utf8Argument {
public:
    explicit Utf8Argument(const char* narrow);
    const char* get() const { return text_; }

private:
    TextBuffer<char> converted_;
    const char* text_;
};

// The UTF-8 text `utf8` in the host's narrow form; a character that the form has no
// place for becomes what the system's own conversion makes of it ('?' on Windows). Not
// valid() when there was no memory for it.
TextBuffer<char> narrowFromUtf8(const char* utf8);

// True when `path` may name a file at all: Windows file names hold none of ? * < > | "
// nor a control character (a host's narrow conversion leaves '?' for each character
// outside its code page); POSIX names hold anything but NUL.
bool mayNameFile(const char* path);

}  // namespace kelvane::platform
