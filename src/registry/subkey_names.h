// The subkey name list of one key, shared by ReadSubKeys and ReadSubKeysInFile.
#pragma once

namespace kelvane {

// The comma-joined names of the subkeys of `keyPath` below HKEY_LOCAL_MACHINE, in
// enumeration order, as a ModuleString owned by the caller; null when the key cannot
// be opened or has no subkeys.
char* listSubKeyNames(const char* keyPath);

}  // namespace kelvane
