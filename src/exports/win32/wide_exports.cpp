// The wide twins of the exports that take paths and names (the rows of the export list
// not of form TEXTS), for Unicode hosts (NSIS's Unicode installers, Inno Setup, .NET):
// UTF-16 in, UTF-8 inside, UTF-16 out. The string exports have none: their bytes are the
// format. Wide results come from the same private heap and go back through freeString.
#include <cstring>

#include "crypt/file_crypt.h"
#include "exports/export_list.h"
#include "exports/guarded.h"
#include "frame/module_memory.h"
#include "kelvane.h"
#include "platform/win32/wide_text.h"
#include "registry/registry_exports.h"
#include "system/system_exports.h"

namespace {

// A UTF-8 ModuleString as a wide one; null stays null.
wchar_t* widened(char* utf8) {
    if (utf8 == nullptr) return nullptr;
    const kelvane::platform::WideText wide = kelvane::platform::wideFromUtf8(utf8, std::strlen(utf8));
    kelvane::moduleFree(utf8);
    if (!wide.valid()) return nullptr;
    auto* result = static_cast<wchar_t*>(kelvane::moduleAlloc((wide.size() + 1) * sizeof(wchar_t)));
    if (result != nullptr) std::memcpy(result, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    return result;
}

int widened(int integer) { return integer; }

}  // namespace

#define KELVANE_WIDE_ARGUMENT(argument) kelvane::platform::Utf8OfWide(argument).get()
#define KELVANE_WIDE_TWIN(name, form, result, failure, arity, first, second, summary)                        \
    KELVANE_API KELVANE_WIDE_RESULT_##result KELVANE_CALL name##W(                                         \
        KELVANE_PARAMETERS(arity, const wchar_t*, first, second)) {                                         \
        return kelvane::guarded<KELVANE_WIDE_RESULT_##result>(failure, [&] {                               \
            return widened(kelvane::utf8::name(KELVANE_PASS(arity, KELVANE_WIDE_ARGUMENT, first, second))); \
        });                                                                                                 \
    }
#define KELVANE_WIDE_TWIN_ROW(name, form, ...) KELVANE_IF_TWIN_##form(KELVANE_WIDE_TWIN, name, form, __VA_ARGS__)

extern "C" {

KELVANE_EXPORTS(KELVANE_WIDE_TWIN_ROW)

}  // extern "C"
