#include "nsis_plugin/installer_edge.h"

#include "platform/win32/wide_text.h"

namespace kelvane::nsis {

bool InstallerEdge<wchar_t>::argument(const std::wstring& given, bool text, std::string* core) {
    if (text) return platform::ansiFromWide(given.data(), given.size(), true, core);
    *core = platform::utf8FromWide(given);
    return true;
}

std::wstring InstallerEdge<wchar_t>::result(const std::string& core, bool text) {
    return text ? platform::wideFromAnsi(core.data(), core.size()) : platform::wideFromUtf8(core.data(), core.size());
}

}  // namespace kelvane::nsis
