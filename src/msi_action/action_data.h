// What a deferred action is given: it sees none of the installer's properties, only
// CustomActionData, which the package fills with NAME=value pairs separated by ';'. A ';'
// inside a value is written ';;' (so "KELVANE_PASS=a;;b" gives "a;b"); a name holds no ';'
// and ends at the pair's first '='. Empty pairs (a ';' at the end) are skipped.
#pragma once
#include <cstddef>

#include "platform/text_buffer.h"

namespace kelvane::msi {

using WideText = platform::TextBuffer<wchar_t>;

// Whether every pair of `data` has a name and an '='.
bool actionDataWellFormed(const WideText& data);

// The value of the pair named `name` in well-formed `data`, its ';;' made ';'; the last
// pair of that name counts. Empty when there is none (or no memory for the copy: not valid()).
WideText actionDataValue(const WideText& data, const wchar_t* name);

}  // namespace kelvane::msi
