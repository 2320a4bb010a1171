// A host's narrow text is in the ANSI code page here: converted to and from UTF-8
// through UTF-16.
#include "platform/host_text.h"

#include <cstring>

#include "platform/win32/wide_text.h"

namespace kelvane::platform {
namespace {

// Characters no Windows file name holds, besides the control characters.
constexpr char NOT_IN_FILE_NAMES[] = "?*<>|\"";
// The prefixes that hand a path to the system unparsed; their '?' is not part of a name.
constexpr const char* VERBATIM_PREFIXES[] = {"\\\\?\\", "\\??\\"};

}  // namespace

Utf8Argument::Utf8Argument(const char* narrow) : text_(narrow) {
    if (narrow == nullptr) return;
    const WideText wide = wideFromAnsi(narrow, std::strlen(narrow));
    if (wide.valid()) converted_ = utf8FromWide(wide.data(), wide.size());
    text_ = wide.valid() && converted_.valid() ? converted_.c_str() : UNUSABLE_NAME;
}

Text narrowFromUtf8(const char* utf8) {
    const WideText wide = wideFromUtf8(utf8, std::strlen(utf8));
    if (!wide.valid()) return Text::failed();
    Text narrow;
    ansiFromWide(wide.data(), wide.size(), false, &narrow);
    return narrow;
}

bool mayNameFile(const char* path) {
    for (const char* prefix : VERBATIM_PREFIXES) {
        if (std::strncmp(path, prefix, std::strlen(prefix)) == 0) path += std::strlen(prefix);
    }
    for (; *path != '\0'; ++path) {
        const unsigned char c = static_cast<unsigned char>(*path);
        if (c < 0x20 || std::strchr(NOT_IN_FILE_NAMES, c) != nullptr) return false;
    }
    return true;
}

}  // namespace kelvane::platform
