#include "nsis_plugin/installer_edge.h"

#include "platform/win32/wide_text.h"

namespace kelvane::nsis {

bool InstallerEdge<wchar_t>::argument(const wchar_t* given, std::size_t length, bool text, Text* core) {
    if (text) return platform::ansiFromWide(given, length, true, core);
    *core = platform::utf8FromWide(given, length);
    return core->valid();
}

platform::TextBuffer<wchar_t> InstallerEdge<wchar_t>::result(const Text& core, bool text) {
    return text ? platform::wideFromAnsi(core.data(), core.size()) : platform::wideFromUtf8(core.data(), core.size());
}

}  // namespace kelvane::nsis
