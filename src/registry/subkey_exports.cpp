// ReadSubKeys and ReadSubKeysInFile: the subkey name list returned, or appended to a file.
#include "frame/module_memory.h"
#include "frame/narrow_result.h"
#include "platform/host_text.h"
#include "registry/appended_text.h"
#include "registry/registry_exports.h"
#include "registry/subkey_names.h"

namespace kelvane {
namespace {

// What the file receives in place of a list when there is none ("%s" of a null string).
constexpr const char* NO_LIST_TEXT = "(null)";

// The UTF-8 list as it is.
char* keepUtf8(char* list) { return list; }

}  // namespace

// The list in the host's narrow form, from names in it.
int ReadSubKeysInFile(const char* keyPath, const char* filePath) {
    return appendSubKeyList(platform::Utf8Argument(keyPath).get(), platform::Utf8Argument(filePath).get(),
                            narrowResult);
}

int appendSubKeyList(const char* keyPath, const char* filePath, char* (*inFileForm)(char* list)) {
    // The key is read and closed before the file is touched.
    char* list = inFileForm(listSubKeyNames(keyPath));
    appendText(filePath, list != nullptr ? list : NO_LIST_TEXT);
    moduleFree(list);
    return 0;
}

namespace utf8 {

char* ReadSubKeys(const char* keyPath) { return listSubKeyNames(keyPath); }

int ReadSubKeysInFile(const char* keyPath, const char* filePath) {
    return appendSubKeyList(keyPath, filePath, keepUtf8);
}

}  // namespace utf8
}  // namespace kelvane
