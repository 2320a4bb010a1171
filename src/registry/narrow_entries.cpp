// The registry exports for a host's narrow text: each argument into UTF-8 on the way in,
// each listing, value or name into the host's form on the way out.
#include "frame/module_memory.h"
#include "platform/host_text.h"
#include "registry/registry_exports.h"
#include "registry/subkey_names.h"

namespace kelvane {
namespace {

using platform::Utf8Argument;

// A UTF-8 result as a ModuleString in the host's narrow form; null stays null.
char* narrowResult(char* utf8) {
    if (utf8 == nullptr) return nullptr;
    const platform::TextBuffer<char> narrow = platform::narrowFromUtf8(utf8);
    moduleFree(utf8);
    return narrow.valid() ? copyModuleString(narrow.data(), narrow.size()) : nullptr;
}

}  // namespace

char* ReadSubKeys(const char* keyPath) { return narrowResult(utf8::ReadSubKeys(Utf8Argument(keyPath).get())); }

int ReadSubKeysInFile(const char* keyPath, const char* filePath) {
    return appendSubKeyList(Utf8Argument(keyPath).get(), Utf8Argument(filePath).get(), narrowResult);
}

char* ReadSubValues() { return narrowResult(utf8::ReadSubValues()); }

char* ReadKeyValue(const char* keyPath, const char* valueName) {
    return narrowResult(utf8::ReadKeyValue(Utf8Argument(keyPath).get(), Utf8Argument(valueName).get()));
}

int RegDeleteKeyNT(const char* keyPath) { return utf8::RegDeleteKeyNT(Utf8Argument(keyPath).get()); }

char* ComputerName() { return narrowResult(utf8::ComputerName()); }

}  // namespace kelvane
