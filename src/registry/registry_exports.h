// Registry queries below HKEY_LOCAL_MACHINE. These
// take and give key paths, value names, file paths and listings in the host's narrow
// form (platform/host_text.h); those of `utf8` take and give UTF-8 on every platform.
// ReadSubKeys, ReadSubValues and RegDeleteKeyNT are written from the export list around
// their utf8:: twins (exports/narrow_entries.cpp); the other two are the area's own.
#pragma once

namespace kelvane {

char* ReadSubKeys(const char* keyPath);
int ReadSubKeysInFile(const char* keyPath, const char* filePath);
char* ReadSubValues();
// A value's data up to its first zero byte: text in the narrow form, any other type as stored.
char* ReadKeyValue(const char* keyPath, const char* valueName);
int RegDeleteKeyNT(const char* keyPath);

namespace utf8 {

char* ReadSubKeys(const char* keyPath);
// Appends the list in UTF-8.
int ReadSubKeysInFile(const char* keyPath, const char* filePath);
char* ReadSubValues();
// Text in UTF-8; any other type each byte as the character of the same number (value_read.cpp).
char* ReadKeyValue(const char* keyPath, const char* valueName);
int RegDeleteKeyNT(const char* keyPath);

}  // namespace utf8
}  // namespace kelvane
