// The library's exports as a host sees them: name, arguments and kind of result,
// and a call through a plain cdecl function pointer with string arguments.
#pragma once
#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

#include "exports/export_list.h"

namespace kelvane::tools {

// Text: a string, null on failure. Outcome: an integer, positive on success and negative
// on failure (the file calls). Status: an integer, 0 on success.
enum class ResultKind { Text, Outcome, Status };

// The names of an export's string arguments, in order: no export takes more than two.
// A fixed array, so that the table is a constant (the NSIS plugin carries no C++ runtime).
class ArgumentNames {
public:
    static constexpr std::size_t MOST = 2;
    constexpr ArgumentNames(std::initializer_list<const char*> names) {
        for (const char* name : names) names_[count_++] = name;
    }
    const char* const* begin() const { return names_; }
    const char* const* end() const { return names_ + count_; }
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }

private:
    const char* names_[MOST] = {};
    std::size_t count_ = 0;
};

struct ExportInfo {
    const char* name;
    ArgumentNames arguments;
    ResultKind result;
    const char* summary;
};

// The entries of a table, for a range for.
struct ExportRange {
    const ExportInfo* first;
    const ExportInfo* last;
    const ExportInfo* begin() const { return first; }
    const ExportInfo* end() const { return last; }
};

// Every narrow export of the library, in the order of the export list; export_table.cpp says
// why the wide twins are left out.
ExportRange exportTable();
// The entry of `name`, or null.
const ExportInfo* findExport(const char* name);
inline const ExportInfo* findExport(const std::string& name) { return findExport(name.c_str()); }

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
// The same judgement from a result's parts: whether it was null, and its integer.
bool resultSucceeded(ResultKind kind, bool isNull, int integer);

// The name of the export that takes a text result back.
constexpr const char* FREE_EXPORT = KELVANE_TEXT_OF(KELVANE_FREE_EXPORT);

}  // namespace kelvane::tools
