// RegDeleteKeyNT: deletes one key below HKEY_LOCAL_MACHINE, after checking that it can
// be opened for deletion; the registry's own status is the result.
#include "platform/registry.h"
#include "registry/open_key.h"
#include "registry/registry_exports.h"

namespace kelvane {
namespace {

// Result for a null or empty path; the registry is not touched.
constexpr int ERROR_BADKEY = 1010;
// Access of the check before deleting: DELETE (0x10000) and KEY_ENUMERATE_SUB_KEYS (0x0008).
constexpr std::uint32_t DELETE_CHECK_ACCESS = 0x10008;

}  // namespace

namespace utf8 {

int RegDeleteKeyNT(const char* keyPath) {
    if (keyPath == nullptr || *keyPath == '\0') return ERROR_BADKEY;
    {
        OpenKey check(keyPath, DELETE_CHECK_ACCESS);
        if (!check.isOpen()) return static_cast<int>(check.status());
    }
    return static_cast<int>(platform::registryDeleteKey(keyPath));
}

}  // namespace utf8
}  // namespace kelvane
