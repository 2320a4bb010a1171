// UTF-16, the text of the W functions, beside UTF-8, the library's own. Used by the
// platform bodies, the wide exports and the NSIS plugin. A conversion whose buffer could
// not be allocated gives a buffer that is not valid().
#pragma once
#include <cstddef>

#include "platform/text_buffer.h"

namespace kelvane::platform {

// Longest name passed on, in UTF-16 units: the W functions count a name's length in
// 16 bits of bytes; Windows refuses a longer name, Wine wraps the count and acts on a
// prefix (another file to encipher, another key to read or delete).
constexpr std::size_t MAX_WIDE_NAME = 32766;
// What an argument becomes when there was no memory to convert it: a control character,
// which no file may be named (-1, cannot be read) and no key holds (not found), so the
// call fails instead of acting on another name (a null or empty one means HKLM itself).
constexpr char UNUSABLE_NAME[] = "\x01";

using Text = TextBuffer<char>;
using WideText = TextBuffer<wchar_t>;

// The UTF-16 form of a UTF-8 name for a W function; a null name stays null. A name
// longer than MAX_WIDE_NAME units (or one there was no memory for) has no form: fits()
// is false and get() is null.
class WideName {
public:
    explicit WideName(const char* utf8);
    bool fits() const { return fits_; }
    const wchar_t* get() const { return fits_ && !null_ ? text_.c_str() : nullptr; }

private:
    WideText text_;
    bool null_;
    bool fits_;
};

// UTF-8 of `count` UTF-16 units (an unpaired surrogate becomes U+FFFD).
Text utf8FromWide(const wchar_t* wide, std::size_t count);
// UTF-16 of UTF-8 text; invalid bytes become U+FFFD.
WideText wideFromUtf8(const char* utf8, std::size_t count);

// Text in the ANSI code page, and back. `exact` makes the way there fail (false) for a
// character the code page has no form of, where Windows would put '?' or a look-alike.
bool ansiFromWide(const wchar_t* wide, std::size_t count, bool exact, Text* ansi);
WideText wideFromAnsi(const char* ansi, std::size_t count);

// The UTF-8 form of a NUL-terminated wide argument; a null argument stays null.
// A conversion there was no memory for gives UNUSABLE_NAME.
class Utf8OfWide {
public:
    explicit Utf8OfWide(const wchar_t* wide);
    const char* get() const;

private:
    Text text_;
    bool null_;
};

}  // namespace kelvane::platform
