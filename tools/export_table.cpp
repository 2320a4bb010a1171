#include "export_table.h"

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

// The wide twins of the DLL (cryptFileW ...) are not listed: a command line reaches this
// host in the code page already, so a twin would carry nothing more.
const std::vector<ExportInfo>& exportTable() {
    static const std::vector<ExportInfo> table = {
        {"cryptString", {"text", "passPhrase"}, ResultKind::Text, "hex text of the enciphered text"},
        {"decryptString", {"hexText", "passPhrase"}, ResultKind::Text, "the text back from its hex text"},
        {"cryptFile", {"filePath"}, ResultKind::Outcome,
         "enciphers a file in place: 2 done, 1 already, -1 unreadable, -2 unwritable, -3 write failed"},
        {"decryptFile", {"filePath"}, ResultKind::Outcome,
         "deciphers a container in place: 2 done, 1 not one, -1 unreadable, -2 unwritable, -3 write failed"},
        {"ReadSubKeys", {"keyPath"}, ResultKind::Text, "comma-joined subkey names under HKLM"},
        {"ReadSubKeysInFile", {"keyPath", "filePath"}, ResultKind::Status,
         "appends the subkey names (or \"(null)\") to a text file; 0"},
        {"ReadSubValues", {}, ResultKind::Text, "comma-joined value names of the TDS client key"},
        {"ReadKeyValue", {"keyPath", "valueName"}, ResultKind::Text, "a value's data as text"},
        {"RegDeleteKeyNT", {"keyPath"}, ResultKind::Status, "deletes a key without subkeys: 0 or a status"},
        {"ComputerName", {}, ResultKind::Text, "the computer's name"},
    };
    return table;
}

const ExportInfo* findExport(const std::string& name) {
    for (const ExportInfo& info : exportTable()) {
        if (name == info.name) return &info;
    }
    return nullptr;
}

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

bool exportSucceeded(const ExportInfo& info, const CallResult& result) {
    switch (info.result) {
    case ResultKind::Text:
        return !result.isNull;
    case ResultKind::Outcome:
        return result.integer > 0;
    default:
        return result.integer == 0;
    }
}

}  // namespace kelvane::tools
