// The wide twins of the exports that take paths and names, for Unicode hosts (NSIS's
// Unicode installers, Inno Setup, .NET): UTF-16 in, UTF-8 inside, UTF-16 out. The
// string exports have none: their bytes are the format. Wide results come from the same
// private heap and go back through freeString.
#include <cstring>

#include "crypt/file_crypt.h"
#include "exports/guarded.h"
#include "frame/module_memory.h"
#include "kelvane.h"
#include "platform/win32/wide_text.h"
#include "registry/registry_exports.h"
#include "system/system_exports.h"

namespace {

using kelvane::guarded;
using kelvane::platform::Utf8OfWide;

// A UTF-8 ModuleString as a wide one; null stays null.
wchar_t* wideResult(char* utf8) {
    if (utf8 == nullptr) return nullptr;
    const kelvane::platform::WideText wide = kelvane::platform::wideFromUtf8(utf8, std::strlen(utf8));
    kelvane::moduleFree(utf8);
    if (!wide.valid()) return nullptr;
    auto* result = static_cast<wchar_t*>(kelvane::moduleAlloc((wide.size() + 1) * sizeof(wchar_t)));
    if (result != nullptr) std::memcpy(result, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    return result;
}

}  // namespace

namespace utf8 = kelvane::utf8;

extern "C" {

KELVANE_API int KELVANE_CALL cryptFileW(const wchar_t* filePath) {
    return guarded(kelvane::FILE_WRITE_FAILED, [&] { return utf8::cryptFile(Utf8OfWide(filePath).get()); });
}

KELVANE_API int KELVANE_CALL decryptFileW(const wchar_t* filePath) {
    return guarded(kelvane::FILE_WRITE_FAILED, [&] { return utf8::decryptFile(Utf8OfWide(filePath).get()); });
}

KELVANE_API wchar_t* KELVANE_CALL ReadSubKeysW(const wchar_t* keyPath) {
    return guarded<wchar_t*>(nullptr, [&] { return wideResult(utf8::ReadSubKeys(Utf8OfWide(keyPath).get())); });
}

KELVANE_API int KELVANE_CALL ReadSubKeysInFileW(const wchar_t* keyPath, const wchar_t* filePath) {
    return guarded(0, [&] {
        return utf8::ReadSubKeysInFile(Utf8OfWide(keyPath).get(), Utf8OfWide(filePath).get());
    });
}

KELVANE_API wchar_t* KELVANE_CALL ReadSubValuesW(void) {
    return guarded<wchar_t*>(nullptr, [] { return wideResult(utf8::ReadSubValues()); });
}

KELVANE_API wchar_t* KELVANE_CALL ReadKeyValueW(const wchar_t* keyPath, const wchar_t* valueName) {
    return guarded<wchar_t*>(nullptr, [&] {
        return wideResult(utf8::ReadKeyValue(Utf8OfWide(keyPath).get(), Utf8OfWide(valueName).get()));
    });
}

KELVANE_API int KELVANE_CALL RegDeleteKeyNTW(const wchar_t* keyPath) {
    // 1010 for a failure of our own, the same code a bad path gets.
    return guarded(1010, [&] { return utf8::RegDeleteKeyNT(Utf8OfWide(keyPath).get()); });
}

KELVANE_API wchar_t* KELVANE_CALL ComputerNameW(void) {
    return guarded<wchar_t*>(nullptr, [] { return wideResult(utf8::ComputerName()); });
}

}  // extern "C"
