// A host's narrow text is UTF-8 here, as the library's own: nothing is converted.
#include "platform/host_text.h"

#include <cstring>

namespace kelvane::platform {

Utf8Argument::Utf8Argument(const char* narrow) : text_(narrow) {}

TextBuffer<char> narrowFromUtf8(const char* utf8) { return TextBuffer<char>(utf8, std::strlen(utf8)); }

bool mayNameFile(const char*) { return true; }

}  // namespace kelvane::platform
