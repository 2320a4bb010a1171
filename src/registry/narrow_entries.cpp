// The registry exports for a host's narrow text: each argument into UTF-8 on the way in,
// each listing, value or name into the host's form on the way out.
#include "frame/narrow_result.h"
#include "platform/host_text.h"
#include "registry/registry_exports.h"
#include "registry/subkey_names.h"

namespace kelvane {
using platform::Utf8Argument;

char* ReadSubKeys(const char* keyPath) { return narrowResult(utf8::ReadSubKeys(Utf8Argument(keyPath).get())); }

int ReadSubKeysInFile(const char* keyPath, const char* filePath) {
    return appendSubKeyList(Utf8Argument(keyPath).get(), Utf8Argument(filePath).get(), narrowResult);
}

char* ReadSubValues() { return narrowResult(utf8::ReadSubValues()); }

char* ReadKeyValue(const char* keyPath, const char* valueName) {
    return narrowResult(utf8::ReadKeyValue(Utf8Argument(keyPath).get(), Utf8Argument(valueName).get()));
}

int RegDeleteKeyNT(const char* keyPath) { return utf8::RegDeleteKeyNT(Utf8Argument(keyPath).get()); }

}  // namespace kelvane
