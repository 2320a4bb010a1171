#include "exports/export_table.h"

#include <cstring>

#include "exports/export_list.h"

namespace kelvane::tools {
namespace {

// The wide twins of the DLL (cryptFileW ...) are not listed: a command line reaches this
// host in the code page already, so a twin would carry nothing more.
#define KELVANE_EXPORT_INFO(name, form, result, failure, arity, first, second, summary) \
    {#name, {KELVANE_PASS(arity, KELVANE_TEXT_OF_EXPANDED, first, second)}, ResultKind::result, summary},
constexpr ExportInfo EXPORTS[] = {KELVANE_EXPORTS(KELVANE_EXPORT_INFO)};

}  // namespace

ExportRange exportTable() { return {EXPORTS, EXPORTS + sizeof EXPORTS / sizeof *EXPORTS}; }

const ExportInfo* findExport(const char* name) {
    for (const ExportInfo& info : exportTable()) {
        if (std::strcmp(name, info.name) == 0) return &info;
    }
    return nullptr;
}

bool exportSucceeded(const ExportInfo& info, const CallResult& result) {
    return resultSucceeded(info.result, result.isNull, result.integer);
}

bool resultSucceeded(ResultKind kind, bool isNull, int integer) {
    switch (kind) {
    case ResultKind::Text:
        return !isNull;
    case ResultKind::Outcome:
        return integer > 0;
    default:
        return integer == 0;
    }
}

}  // namespace kelvane::tools
