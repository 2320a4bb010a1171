// ReadSubValues: the value names of the TDS client key as a name list.
#include "frame/module_memory.h"
#include "platform/registry.h"
#include "registry/name_list.h"
#include "registry/open_key.h"
#include "registry/registry_constants.h"
#include "registry/registry_exports.h"

namespace kelvane {
namespace {

// The key whose value names ReadSubValues lists.
constexpr const char* TDS_CLIENT_KEY_PATH = "SOFTWARE\\Microsoft\\MSSQLServer\\Client\\TDS";
// Characters of the largest value name the registry holds (16,383), NUL included.
constexpr std::uint32_t LONG_NAME_CAPACITY = 16384;

// Reads value names by index: into a NAME_CAPACITY buffer, or, for a name too long for
// it, again into a block of LONG_NAME_CAPACITY, so that no name ends the listing.
class ValueNameReader {
public:
    explicit ValueNameReader(platform::RegistryKey* key) : key_(key) {}

    // The status of reading the name at `index`; name() and length() hold it on success.
    long read(std::uint32_t index) {
        name_ = shortName_;
        length_ = NAME_CAPACITY;
        const long status = platform::registryEnumValue(key_, index, shortName_, &length_);
        if (status != platform::REGISTRY_MORE_DATA) return status;
        if (longName_ == nullptr) longName_ = newModuleBuffer(LONG_NAME_CAPACITY);
        if (longName_ == nullptr) return status;
        name_ = reinterpret_cast<char*>(longName_.get());
        length_ = LONG_NAME_CAPACITY;
        return platform::registryEnumValue(key_, index, name_, &length_);
    }
    const char* name() const { return name_; }
    std::uint32_t length() const { return length_; }

private:
    platform::RegistryKey* key_;
    char shortName_[NAME_CAPACITY];
    ModuleBuffer longName_;
    char* name_ = shortName_;
    std::uint32_t length_ = 0;
};

}  // namespace

char* ReadSubValues() {
    OpenKey key(TDS_CLIENT_KEY_PATH, KEY_READ);
    if (!key.isOpen()) return nullptr;
    NameList list;
    ValueNameReader reader(key.get());
    for (std::uint32_t index = 0; reader.read(index) == platform::REGISTRY_OK; ++index) {
        // The key's unnamed value has no name to list; the named ones after it still count.
        if (reader.length() == 0) continue;
        if (!list.add(reader.name(), reader.length())) return nullptr;
    }
    return list.release();
}

}  // namespace kelvane
