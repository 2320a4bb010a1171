// The narrow exports, one per row of the export list: each forwards to its area and
// guarantees that nothing thrown inside ever crosses the boundary (the row's failure
// result instead).
#include "kelvane.h"

#include "crypt/file_crypt.h"
#include "crypt/string_crypt.h"
#include "exports/export_list.h"
#include "exports/guarded.h"
#include "frame/module_memory.h"
#include "registry/registry_exports.h"
#include "system/system_exports.h"

#define KELVANE_NARROW_EXPORT(name, form, result, failure, arity, first, second, summary)                \
    KELVANE_API KELVANE_RESULT_##result KELVANE_CALL name(KELVANE_PARAMETERS(arity, const char*, first, second)) { \
        return kelvane::guarded<KELVANE_RESULT_##result>(                                                 \
            failure, [&] { return kelvane::name(KELVANE_PASS(arity, , first, second)); });               \
    }

extern "C" {

KELVANE_EXPORTS(KELVANE_NARROW_EXPORT)

KELVANE_API void KELVANE_CALL freeString(void* result) { kelvane::freeModuleString(static_cast<char*>(result)); }

}  // extern "C"
