#include "platform/text_stream.h"

#include <cwchar>

#include "platform/win32/wide_text.h"

namespace kelvane::platform {

std::FILE* openStream(const char* path, const char* mode) {
    const WideName widePath(path);
    const WideName wideMode(mode);
    if (widePath.get() == nullptr || wideMode.get() == nullptr) return nullptr;
    return _wfopen(widePath.get(), wideMode.get());
}

}  // namespace kelvane::platform
