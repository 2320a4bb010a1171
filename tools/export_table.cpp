#include "export_table.h"

#include <cstring>

namespace kelvane::tools {
namespace {

// The wide twins of the DLL (cryptFileW ...) are not listed: a command line reaches this
// host in the code page already, so a twin would carry nothing more.
constexpr ExportInfo EXPORTS[] = {
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
