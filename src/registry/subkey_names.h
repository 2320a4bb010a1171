// The subkey name list of one key (UTF-8), shared by ReadSubKeys and ReadSubKeysInFile.
#pragma once

namespace kelvane {

// The comma-joined names of the subkeys of `keyPath` below HKEY_LOCAL_MACHINE, in
// enumeration order, as a ModuleString owned by the caller; null when the key cannot
// be opened or has no subkeys.
char* listSubKeyNames(const char* keyPath);

// Appends the list of `keyPath` (UTF-8), turned by `inFileForm` into the form the file
// takes (it owns and returns the ModuleString, null stays null), or "(null)", to the
// text file `filePath` (UTF-8); always 0.
int appendSubKeyList(const char* keyPath, const char* filePath, char* (*inFileForm)(char* list));

}  // namespace kelvane
