// Registry and system queries below HKEY_LOCAL_MACHINE, and the computer name.
#pragma once

namespace kelvane {

char* ReadSubKeys(const char* keyPath);
int ReadSubKeysInFile(const char* keyPath, const char* filePath);
char* ReadSubValues();
char* ReadKeyValue(const char* keyPath, const char* valueName);
int RegDeleteKeyNT(const char* keyPath);
char* ComputerName();

}  // namespace kelvane
