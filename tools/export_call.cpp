// Calling an export through a pointer of its own type, apart from the table: the NSIS
// plugin uses the table but never calls through pointers, and so carries no std::string.
#include "exports/export_table.h"
#include "kelvane.h"

namespace kelvane::tools {
namespace {

using Text0 = char*(KELVANE_CALL*)();
using Text1 = char*(KELVANE_CALL*)(const char*);
using Text2 = char*(KELVANE_CALL*)(const char*, const char*);
using Int1 = int(KELVANE_CALL*)(const char*);
using Int2 = int(KELVANE_CALL*)(const char*, const char*);

using FreeText = void(KELVANE_CALL*)(char*);

CallResult textResult(char* text, void* freeAddress) {
    CallResult result;
    result.isNull = text == nullptr;
    if (text != nullptr) result.text = text;
    if (freeAddress != nullptr) reinterpret_cast<FreeText>(freeAddress)(text);
    return result;
}

CallResult integerResult(int value) {
    CallResult result;
    result.integer = value;
    return result;
}

}  // namespace

CallResult callExport(const ExportInfo& info, void* address, void* freeAddress,
                      const std::vector<const char*>& arguments) {
    const char* a = arguments.size() > 0 ? arguments[0] : nullptr;
    const char* b = arguments.size() > 1 ? arguments[1] : nullptr;
    const std::size_t count = info.arguments.size();
    if (info.result == ResultKind::Text) {
        if (count == 0) return textResult(reinterpret_cast<Text0>(address)(), freeAddress);
        if (count == 1) return textResult(reinterpret_cast<Text1>(address)(a), freeAddress);
        return textResult(reinterpret_cast<Text2>(address)(a, b), freeAddress);
    }
    if (count == 1) return integerResult(reinterpret_cast<Int1>(address)(a));
    return integerResult(reinterpret_cast<Int2>(address)(a, b));
}

}  // namespace kelvane::tools
