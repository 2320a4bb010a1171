#include "nsis_plugin/plugin_calls.h"

#include <cstring>

#include "crypt/file_crypt.h"
#include "crypt/string_crypt.h"
#include "exports/export_list.h"
#include "exports/export_table.h"
#include "frame/module_memory.h"
#include "registry/registry_exports.h"
#include "system/system_exports.h"

namespace kelvane::nsis {
namespace {

// What an export gave: a text (null or a ModuleString) or an integer.
struct Given {
    bool isText;
    char* text;
    int integer;
};
Given given(char* text) { return {true, text, 0}; }
Given given(int integer) { return {false, nullptr, integer}; }

// The calls of one export: with narrow names, and with UTF-8 names.
struct PluginCall {
    const char* name;
    bool texts;  // cryptString, decryptString: their arguments are texts, not names
    Given (*narrow)(const Arguments&);
    Given (*utf8)(const Arguments&);
};

// Every export but freeString (the plugin frees its own results), from the export list.
#define KELVANE_ARGUMENTS_0
#define KELVANE_ARGUMENTS_1 arguments.items[0].c_str()
#define KELVANE_ARGUMENTS_2 arguments.items[0].c_str(), arguments.items[1].c_str()
#define KELVANE_CALLING(function, arity) \
    []([[maybe_unused]] const Arguments& arguments) { return given(function(KELVANE_ARGUMENTS_##arity)); }
#define KELVANE_PLUGIN_CALL(name, form, result, failure, arity, first, second, summary) \
    {#name, KELVANE_TAKES_TEXTS_##form, KELVANE_CALLING(kelvane::name, arity),            \
     KELVANE_CALLING(KELVANE_UTF8_CALL_##form(name), arity)},
const PluginCall CALLS[] = {KELVANE_EXPORTS(KELVANE_PLUGIN_CALL)};

const PluginCall* findCall(const char* name) {
    for (const PluginCall& call : CALLS) {
        if (std::strcmp(call.name, name) == 0) return &call;
    }
    return nullptr;
}

// The outcome of a text call (its ModuleString freed) or an integer call, judged by the
// export's result kind as the command-line host judges it.
CallOutcome outcomeOf(const char* name, Given (*call)(const Arguments&), const Arguments& arguments) {
    const Given result = call(arguments);
    CallOutcome outcome;
    outcome.isText = result.isText;
    outcome.integer = result.integer;
    if (outcome.isText) {
        if (result.text != nullptr) outcome.text = Text(result.text, std::strlen(result.text));
        // No memory for the copy: no result, as for a null one.
        outcome.isNull = result.text == nullptr || !outcome.text.valid();
        moduleFree(result.text);
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
    return outcomeOf(name, call->narrow, arguments);
}

CallOutcome callUtf8(const char* name, const Arguments& arguments) {
    const PluginCall* call = findCall(name);
    return outcomeOf(name, call->utf8, arguments);
}

}  // namespace kelvane::nsis
