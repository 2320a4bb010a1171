#include "nsis_plugin/plugin_calls.h"

#include <cstring>

#include "crypt/file_crypt.h"
#include "crypt/string_crypt.h"
#include "export_table.h"
#include "frame/module_memory.h"
#include "registry/registry_exports.h"
#include "system/system_exports.h"

namespace kelvane::nsis {
namespace {

// The calls of one export: with narrow names, and with UTF-8 names.
struct PluginCall {
    const char* name;
    bool texts;  // cryptString, decryptString: their arguments are texts, not names
    char* (*narrowText)(const Arguments&);
    char* (*utf8Text)(const Arguments&);
    int (*narrowInteger)(const Arguments&);
    int (*utf8Integer)(const Arguments&);
};

const char* at(const Arguments& arguments, std::size_t index) { return arguments.items[index].c_str(); }

char* crypt(const Arguments& a) { return kelvane::cryptString(at(a, 0), at(a, 1)); }
char* decrypt(const Arguments& a) { return kelvane::decryptString(at(a, 0), at(a, 1)); }

// Every export but freeString (the plugin frees its own results), in the header's order.
const PluginCall CALLS[] = {
    {"cryptString", true, crypt, crypt, nullptr, nullptr},
    {"decryptString", true, decrypt, decrypt, nullptr, nullptr},
    {"cryptFile", false, nullptr, nullptr, [](const Arguments& a) { return kelvane::cryptFile(at(a, 0)); },
     [](const Arguments& a) { return utf8::cryptFile(at(a, 0)); }},
    {"decryptFile", false, nullptr, nullptr, [](const Arguments& a) { return kelvane::decryptFile(at(a, 0)); },
     [](const Arguments& a) { return utf8::decryptFile(at(a, 0)); }},
    {"ReadSubKeys", false, [](const Arguments& a) { return kelvane::ReadSubKeys(at(a, 0)); },
     [](const Arguments& a) { return utf8::ReadSubKeys(at(a, 0)); }, nullptr, nullptr},
    {"ReadSubKeysInFile", false, nullptr, nullptr,
     [](const Arguments& a) { return kelvane::ReadSubKeysInFile(at(a, 0), at(a, 1)); },
     [](const Arguments& a) { return utf8::ReadSubKeysInFile(at(a, 0), at(a, 1)); }},
    {"ReadSubValues", false, [](const Arguments&) { return kelvane::ReadSubValues(); },
     [](const Arguments&) { return utf8::ReadSubValues(); }, nullptr, nullptr},
    {"ReadKeyValue", false, [](const Arguments& a) { return kelvane::ReadKeyValue(at(a, 0), at(a, 1)); },
     [](const Arguments& a) { return utf8::ReadKeyValue(at(a, 0), at(a, 1)); }, nullptr, nullptr},
    {"RegDeleteKeyNT", false, nullptr, nullptr, [](const Arguments& a) { return kelvane::RegDeleteKeyNT(at(a, 0)); },
     [](const Arguments& a) { return utf8::RegDeleteKeyNT(at(a, 0)); }},
    {"ComputerName", false, [](const Arguments&) { return kelvane::ComputerName(); },
     [](const Arguments&) { return utf8::ComputerName(); }, nullptr, nullptr},
};

const PluginCall* findCall(const char* name) {
    for (const PluginCall& call : CALLS) {
        if (std::strcmp(call.name, name) == 0) return &call;
    }
    return nullptr;
}

// The outcome of a text call (its ModuleString freed) or an integer call, judged by the
// export's result kind as the command-line host judges it.
CallOutcome outcomeOf(const char* name, char* (*text)(const Arguments&), int (*integer)(const Arguments&),
                      const Arguments& arguments) {
    CallOutcome outcome;
    outcome.isText = text != nullptr;
    if (outcome.isText) {
        char* given = text(arguments);
        outcome.isNull = given == nullptr;
        if (given != nullptr) outcome.text = Text(given, std::strlen(given));
        // No memory for the copy: no result, as for a null one.
        outcome.isNull = outcome.isNull || !outcome.text.valid();
        moduleFree(given);
    } else {
        outcome.integer = integer(arguments);
    }
    outcome.succeeded = tools::resultSucceeded(tools::findExport(name)->result, outcome.isNull, outcome.integer);
    return outcome;
}

}  // namespace

bool takesTexts(const char* name) {
    const PluginCall* call = findCall(name);
    return call != nullptr && call->texts;
}

std::size_t argumentCount(const char* name) { return tools::findExport(name)->arguments.size(); }

CallOutcome callNarrow(const char* name, const Arguments& arguments) {
    const PluginCall* call = findCall(name);
    return outcomeOf(name, call->narrowText, call->narrowInteger, arguments);
}

CallOutcome callUtf8(const char* name, const Arguments& arguments) {
    const PluginCall* call = findCall(name);
    return outcomeOf(name, call->utf8Text, call->utf8Integer, arguments);
}

}  // namespace kelvane::nsis
