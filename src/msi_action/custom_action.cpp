#include "msi_action/custom_action.h"

#include <cstring>

#include "exports/export_table.h"
#include "msi_action/installer_session.h"
#include "msi_action/log_line.h"
#include "nsis_plugin/installer_edge.h"

namespace kelvane::msi {
namespace {

// Properties are UTF-16, as a Unicode installer's strings are: the plugin's edge for
// them refuses a text outside the code page and passes names whole.
using Edge = nsis::InstallerEdge<wchar_t>;
using nsis::Text;

// The property each argument is read from, by the argument's name in the export table.
struct ArgumentProperty {
    const char* argument;
    const wchar_t* property;
};
constexpr ArgumentProperty ARGUMENT_PROPERTIES[] = {
    {"text", L"KELVANE_TEXT"},        // cryptString's text
    {"hexText", L"KELVANE_HEX"},      // decryptString's hex
    {"passPhrase", L"KELVANE_PASS"},  // both pass phrases
    {"filePath", L"KELVANE_PATH"},    // the file of cryptFile, decryptFile, ReadSubKeysInFile
    {"keyPath", L"KELVANE_KEY"},      // a key below HKEY_LOCAL_MACHINE
    {"valueName", L"KELVANE_VALUE"},  // ReadKeyValue's value
};
// Where every action leaves its result: the text, the number in decimal, empty for null.
constexpr wchar_t RESULT_PROPERTY[] = L"KELVANE_RESULT";
// What a deferred action is given instead of properties.
constexpr wchar_t ACTION_DATA[] = L"CustomActionData";

const wchar_t* propertyOf(const char* argument) {
    for (const ArgumentProperty& entry : ARGUMENT_PROPERTIES) {
        if (std::strcmp(entry.argument, argument) == 0) return entry.property;
    }
    return L"";
}

// What is wrong with a deferred action's data, for the log; null when nothing is.
const char* actionDataProblem(const WideText& data) {
    if (!data.valid()) return "no memory for CustomActionData";
    if (data.empty()) return "runs deferred and CustomActionData is empty";
    if (!actionDataWellFormed(data)) return "CustomActionData is not NAME=value pairs separated by ';'";
    return nullptr;
}

// Reads one argument from `value` into `argument`; what is wrong with it otherwise, for the
// log after the property's name, or null.
const char* takeArgument(const WideText& value, bool text, Text* argument) {
    if (!value.valid()) return " could not be read (no memory)";
    if (value.empty()) return " is not set";
    if (!Edge::argument(value.data(), value.size(), text, argument)) {
        return text ? " has a character outside the ANSI code page" : " could not be converted";
    }
    return nullptr;
}

// The call's arguments from the properties or, deferred, from CustomActionData. False,
// with the reason on `line`, when the data or an argument is missing or has no form the
// call takes.
bool gatherArguments(MSIHANDLE install, const char* name, nsis::Arguments* arguments, LogLine* line) {
    const bool deferred = runsDeferred(install);
    WideText data;
    if (deferred) {
        data = property(install, ACTION_DATA);
        if (const char* problem = actionDataProblem(data)) {
            line->add(problem);
            return false;
        }
    }
    const bool texts = nsis::takesTexts(name);
    std::size_t index = 0;
    for (const char* argument : tools::findExport(name)->arguments) {
        const wchar_t* propertyName = propertyOf(argument);
        const WideText value = deferred ? actionDataValue(data, propertyName) : property(install, propertyName);
        if (const char* problem = takeArgument(value, texts, &arguments->items[index++])) {
            line->add(propertyName).add(problem);
            return false;
        }
    }
    return true;
}

// The result as KELVANE_RESULT holds it, and its account on `line` (a number as it is, a
// text by its length only).
WideText resultText(const char* name, const nsis::CallOutcome& outcome, LogLine* line) {
    if (!outcome.isText) {
        WideText number = nsis::decimal<wchar_t>(outcome.integer);
        line->add("result ").add(number.c_str());
        return number;
    }
    if (outcome.isNull) {
        line->add("null result");
        return WideText();
    }
    WideText text = Edge::result(outcome.text, nsis::takesTexts(name));
    if (!text.valid()) {
        line->add("no memory for the result");
        return text;
    }
    line->add("a text of ").add(nsis::decimal<wchar_t>(static_cast<int>(text.size())).c_str()).add(" characters");
    return text;
}

}  // namespace

UINT runAction(MSIHANDLE install, const char* name) noexcept {
    LogLine line(name);
    // A failure before the call leaves the result empty, not an earlier action's.
    setProperty(install, RESULT_PROPERTY, L"");
    nsis::Arguments arguments;
    bool succeeded = gatherArguments(install, name, &arguments, &line);
    if (succeeded) {
        const nsis::CallOutcome outcome = Edge::call(name, arguments);
        const WideText result = resultText(name, outcome, &line);
        setProperty(install, RESULT_PROPERTY, result.c_str());
        succeeded = outcome.succeeded && !outcome.isNull && result.valid();
    }
    logLine(install, line.add(succeeded ? L", succeeded" : L", failed").text());
    return succeeded ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}

}  // namespace kelvane::msi
