// The registry exports for a host's narrow text: each argument into UTF-8 on the way in,
// each listing or name into the host's form on the way out (the value read, whose data
// need not be text, converts its own: value_read.cpp).
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

int RegDeleteKeyNT(const char* keyPath) { return utf8::RegDeleteKeyNT(Utf8Argument(keyPath).get()); }

}  // namespace kelvane
