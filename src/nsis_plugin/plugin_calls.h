// The library's exports as the plugin calls them, apart from the plugin functions
// themselves (whose C names are the exports' names too).
#pragma once
#include <cstddef>

#include "platform/text_buffer.h"

namespace kelvane::nsis {

using Text = platform::TextBuffer<char>;

// An export's arguments, as many as it takes (no export takes more than two).
struct Arguments {
    static constexpr std::size_t MOST = 2;
    Text items[MOST];
};

// What one call gave: a text, null, or an integer, and whether the export reported success
// (as for the command-line host's exit status).
struct CallOutcome {
    bool isNull = false;
    Text text;
    int integer = 0;
    bool isText = false;
    bool succeeded = false;
};

// How the export `name` takes and gives text. Texts: the string exports, whose bytes are
// the format, in the ANSI code page. Names: paths, key paths, value names and listings.
bool takesTexts(const char* name);
// How many arguments the export `name` takes.
std::size_t argumentCount(const char* name);

// Calls `name` with arguments in the host's narrow form (the ANSI code page).
CallOutcome callNarrow(const char* name, const Arguments& arguments);
// Calls `name` with texts in the ANSI code page and names in UTF-8; names come back in UTF-8.
CallOutcome callUtf8(const char* name, const Arguments& arguments);

}  // namespace kelvane::nsis
