#include "frame/narrow_result.h"

#include "frame/module_memory.h"
#include "platform/host_text.h"

namespace kelvane {

char* narrowResult(char* utf8) {
    if (utf8 == nullptr) return nullptr;
    const platform::TextBuffer<char> narrow = platform::narrowFromUtf8(utf8);
    moduleFree(utf8);
    return narrow.valid() ? copyModuleString(narrow.data(), narrow.size()) : nullptr;
}

}  // namespace kelvane
