// The narrow entries of the rows of form NAMES: a host's narrow arguments into UTF-8 on
// the way in, a text result into the host's narrow form on the way out, around the
// area's utf8:: function. Declared in the area's header beside that function. Apart from
// exports.cpp, so that the NSIS plugin, whose functions carry the exports' C names, can
// link these without those.
#include "crypt/file_crypt.h"
#include "exports/export_list.h"
#include "frame/narrow_result.h"
#include "platform/host_text.h"
#include "registry/registry_exports.h"
#include "system/system_exports.h"

namespace kelvane {
namespace {

// A result in the host's form: a text converted, an integer as it is.
char* narrowed(char* utf8) { return narrowResult(utf8); }
int narrowed(int integer) { return integer; }

}  // namespace

#define KELVANE_UTF8_ARGUMENT(argument) platform::Utf8Argument(argument).get()
#define KELVANE_NARROW_ENTRY(name, form, result, failure, arity, first, second, summary)              \
    KELVANE_RESULT_##result name(KELVANE_PARAMETERS(arity, const char*, first, second)) {             \
        return narrowed(utf8::name(KELVANE_PASS(arity, KELVANE_UTF8_ARGUMENT, first, second)));      \
    }
#define KELVANE_NARROW_ENTRY_ROW(name, form, ...) \
    KELVANE_IF_NARROW_ENTRY_##form(KELVANE_NARROW_ENTRY, name, form, __VA_ARGS__)

KELVANE_EXPORTS(KELVANE_NARROW_ENTRY_ROW)

}  // namespace kelvane
