// The library's exports as a host sees them: name, arguments and kind of result,
// and a call through a plain cdecl function pointer with string arguments.
#pragma once
#include <string>
#include <vector>

namespace kelvane::tools {

// Text: a string, null on failure. Outcome: an integer, positive on success and negative
// on failure (the file calls). Status: an integer, 0 on success.
enum class ResultKind { Text, Outcome, Status };

struct ExportInfo {
    const char* name;
    std::vector<const char*> arguments;  // names of the string arguments, in order
    ResultKind result;
    const char* summary;
};

// Every narrow export of the library, in the order of the header; export_table.cpp says
// why the wide twins are left out.
const std::vector<ExportInfo>& exportTable();
// The entry of `name`, or null.
const ExportInfo* findExport(const std::string& name);

struct CallResult {
    bool isNull = false;  // a text result that was null
    std::string text;     // a text result
    int integer = 0;      // an integer result
};

// Calls the export at `address` with `arguments` (as many as `info` names; an argument
// may be null) through a cdecl pointer of the export's own type. A text result is
// copied and then handed back to the library's freeString at `freeAddress` (if any).
CallResult callExport(const ExportInfo& info, void* address, void* freeAddress,
                      const std::vector<const char*>& arguments);

// Whether the export reported success, as its result kind tells: a text that is not null,
// a positive outcome, a status of 0 (ReadSubKeysInFile has no failure result, so its 0
// says only that the call was made).
bool exportSucceeded(const ExportInfo& info, const CallResult& result);

// The name of the export that takes a text result back.
constexpr const char* FREE_EXPORT = "freeString";

}  // namespace kelvane::tools
