// The export table: each export forwards to its subsystem and guarantees that nothing
// thrown inside ever crosses the boundary (the documented failure result instead).
#include "kelvane.h"

#include "crypt/file_crypt.h"
#include "crypt/string_crypt.h"
#include "exports/guarded.h"
#include "frame/module_memory.h"
#include "registry/registry_exports.h"
#include "system/system_exports.h"

using kelvane::guarded;

extern "C" {

KELVANE_API char* KELVANE_CALL cryptString(const char* text, const char* passPhrase) {
    return guarded<char*>(nullptr, [&] { return kelvane::cryptString(text, passPhrase); });
}

KELVANE_API char* KELVANE_CALL decryptString(const char* hexText, const char* passPhrase) {
    return guarded<char*>(nullptr, [&] { return kelvane::decryptString(hexText, passPhrase); });
}

KELVANE_API int KELVANE_CALL cryptFile(const char* filePath) {
    return guarded(kelvane::FILE_WRITE_FAILED, [&] { return kelvane::cryptFile(filePath); });
}

KELVANE_API int KELVANE_CALL decryptFile(const char* filePath) {
    return guarded(kelvane::FILE_WRITE_FAILED, [&] { return kelvane::decryptFile(filePath); });
}

KELVANE_API char* KELVANE_CALL ReadSubKeys(const char* keyPath) {
    return guarded<char*>(nullptr, [&] { return kelvane::ReadSubKeys(keyPath); });
}

KELVANE_API int KELVANE_CALL ReadSubKeysInFile(const char* keyPath, const char* filePath) {
    return guarded(0, [&] { return kelvane::ReadSubKeysInFile(keyPath, filePath); });
}

KELVANE_API char* KELVANE_CALL ReadSubValues(void) {
    return guarded<char*>(nullptr, [] { return kelvane::ReadSubValues(); });
}

KELVANE_API char* KELVANE_CALL ReadKeyValue(const char* keyPath, const char* valueName) {
    return guarded<char*>(nullptr, [&] { return kelvane::ReadKeyValue(keyPath, valueName); });
}

KELVANE_API int KELVANE_CALL RegDeleteKeyNT(const char* keyPath) {
    // 1010 for a failure of our own, the same code a bad path gets.
    return guarded(1010, [&] { return kelvane::RegDeleteKeyNT(keyPath); });
}

KELVANE_API char* KELVANE_CALL ComputerName(void) {
    return guarded<char*>(nullptr, [] { return kelvane::ComputerName(); });
}

KELVANE_API void KELVANE_CALL freeString(void* result) { kelvane::freeModuleString(static_cast<char*>(result)); }

}  // extern "C"
