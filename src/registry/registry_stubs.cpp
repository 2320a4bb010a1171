// Placeholders until the registry exports land.
#include "registry/registry_exports.h"

namespace kelvane {

char* ReadSubKeys(const char*) { return nullptr; }
int ReadSubKeysInFile(const char*, const char*) { return 0; }
char* ReadSubValues() { return nullptr; }
char* ReadKeyValue(const char*, const char*) { return nullptr; }
int RegDeleteKeyNT(const char*) { return 1010; }
char* ComputerName() { return nullptr; }

}  // namespace kelvane
