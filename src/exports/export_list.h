// Every export of the library, written once. The narrow C bodies (exports.cpp), the wide
// twins (win32/wide_exports.cpp), the narrow entries (narrow_entries.cpp), the hosts'
// table (export_table.cpp), the NSIS plugin's calls and functions (src/nsis_plugin) and
// the MSI custom actions' entry points (src/msi_action) are expanded from this list; CMake
// reads it to write kelvane.def, kelvane_nsis.def and kelvane_msi.def
// (cmake/export_files.cmake), and the .so's version script from kelvane.def.
//
// A row: X(name, form, result, failure, arity, first, second, summary)
//   name     the exported name; the area defines kelvane::name and, for names, kelvane::utf8::name
//   form     TEXTS: the arguments are texts whose bytes are the format (cryptString): one
//              function serves every host, and there is no wide twin;
//            NAMES: paths, key paths, value names and listings: the area gives utf8::name,
//              and the narrow entry (the host's form in and out) and the twin name##W are
//              written from here;
//            NAMES_OWN_NARROW: as NAMES, but the area writes the narrow entry itself, since
//              its result is no plain text (data as stored, a file)
//   result   Text (a string, null on failure), Outcome (an integer, positive on success) or
//            Status (an integer, 0 on success): tools::ResultKind
//   failure  what the export gives when its call could not run to the end
//   arity    how many string arguments (0 to 2), named by first and second (_ for none)
//   summary  one line for `kelvane --help`
// Rows that CMake reads begin with "X(name, form,"; keep the name and form on that line.
#pragma once

#define KELVANE_EXPORTS(X)                                                                                   \
    X(cryptString, TEXTS, Text, nullptr, 2, text, passPhrase, "hex text of the enciphered text")             \
    X(decryptString, TEXTS, Text, nullptr, 2, hexText, passPhrase, "the text back from its hex text")        \
    X(cryptFile, NAMES, Outcome, kelvane::FILE_WRITE_FAILED, 1, filePath, _,                                 \
      "enciphers a file in place: 2 done, 1 already, -1 unreadable, -2 unwritable, -3 write failed")        \
    X(decryptFile, NAMES, Outcome, kelvane::FILE_WRITE_FAILED, 1, filePath, _,                               \
      "deciphers a container in place: 2 done, 1 not one, -1 unreadable, -2 unwritable, -3 write failed")   \
    X(ReadSubKeys, NAMES, Text, nullptr, 1, keyPath, _, "comma-joined subkey names under HKLM")              \
    X(ReadSubKeysInFile, NAMES_OWN_NARROW, Status, 0, 2, keyPath, filePath,                                 \
      "appends the subkey names (or \"(null)\") to a text file; always 0")                                   \
    X(ReadSubValues, NAMES, Text, nullptr, 0, _, _, "comma-joined value names of the TDS client key")        \
    X(ReadKeyValue, NAMES_OWN_NARROW, Text, nullptr, 2, keyPath, valueName,                                  \
      "a value's data: text, or any other type's bytes as stored")                                           \
    X(RegDeleteKeyNT, NAMES, Status, KELVANE_OWN_FAILURE, 1, keyPath, _,                                     \
      "deletes a key without subkeys: 0 or a status")                                                        \
    X(ComputerName, NAMES, Text, nullptr, 0, _, _, "the computer's name")

// RegDeleteKeyNT's result for a failure of our own: the code a bad path gets (1010).
#define KELVANE_OWN_FAILURE 1010

// The export that takes a result back; in kelvane.def after the rows, in no other list.
#define KELVANE_FREE_EXPORT freeString

// The text of a macro's value.
#define KELVANE_TEXT_OF(macro) KELVANE_TEXT_OF_EXPANDED(macro)
#define KELVANE_TEXT_OF_EXPANDED(text) #text

// ---- pieces the expansions share

// The parameter list of an export of `arity` arguments of type `Type`.
#define KELVANE_PARAMETERS(arity, Type, first, second) KELVANE_PARAMETERS_##arity(Type, first, second)
#define KELVANE_PARAMETERS_0(Type, first, second) void
#define KELVANE_PARAMETERS_1(Type, first, second) Type first
#define KELVANE_PARAMETERS_2(Type, first, second) Type first, Type second

// The arguments handed on, each through `pass` (a function or type applied to it).
#define KELVANE_PASS(arity, pass, first, second) KELVANE_PASS_##arity(pass, first, second)
#define KELVANE_PASS_0(pass, first, second)
#define KELVANE_PASS_1(pass, first, second) pass(first)
#define KELVANE_PASS_2(pass, first, second) pass(first), pass(second)

// The narrow result type of a result kind, and the wide one.
#define KELVANE_RESULT_Text char*
#define KELVANE_RESULT_Outcome int
#define KELVANE_RESULT_Status int
#define KELVANE_WIDE_RESULT_Text wchar_t*
#define KELVANE_WIDE_RESULT_Outcome int
#define KELVANE_WIDE_RESULT_Status int

// Whether a form's arguments are texts (for the plugin's conversions).
#define KELVANE_TAKES_TEXTS_TEXTS true
#define KELVANE_TAKES_TEXTS_NAMES false
#define KELVANE_TAKES_TEXTS_NAMES_OWN_NARROW false

// The function that takes UTF-8 names for a form: the one function for texts.
#define KELVANE_UTF8_CALL_TEXTS(name) kelvane::name
#define KELVANE_UTF8_CALL_NAMES(name) kelvane::utf8::name
#define KELVANE_UTF8_CALL_NAMES_OWN_NARROW(name) kelvane::utf8::name

// `expansion`(row...) for the rows of the forms that have it, nothing for the others.
#define KELVANE_IF_TWIN_TEXTS(expansion, ...)
#define KELVANE_IF_TWIN_NAMES(expansion, ...) expansion(__VA_ARGS__)
#define KELVANE_IF_TWIN_NAMES_OWN_NARROW(expansion, ...) expansion(__VA_ARGS__)
#define KELVANE_IF_NARROW_ENTRY_TEXTS(expansion, ...)
#define KELVANE_IF_NARROW_ENTRY_NAMES(expansion, ...) expansion(__VA_ARGS__)
#define KELVANE_IF_NARROW_ENTRY_NAMES_OWN_NARROW(expansion, ...)
