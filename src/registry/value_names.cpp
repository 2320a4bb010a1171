// ReadSubValues: the value names of the TDS client key as a name list.
#include "platform/registry.h"
#include "registry/name_list.h"
#include "registry/name_reader.h"
#include "registry/open_key.h"
#include "registry/registry_constants.h"
#include "registry/registry_exports.h"

namespace kelvane {
namespace {

// The key whose value names ReadSubValues lists.
constexpr const char* TDS_CLIENT_KEY_PATH = "SOFTWARE\\Microsoft\\MSSQLServer\\Client\\TDS";

}  // namespace

namespace utf8 {

char* ReadSubValues() {
    OpenKey key(TDS_CLIENT_KEY_PATH, KEY_READ);
    if (!key.isOpen()) return nullptr;
    NameList list;
    NameReader reader(key.get(), NameReader::Kind::Value);
    for (std::uint32_t index = 0;; ++index) {
        const NameReader::Outcome outcome = reader.read(index);
        if (outcome == NameReader::Outcome::Failed) return nullptr;
        if (outcome == NameReader::Outcome::End) break;
        // The key's unnamed value has no name to list; the named ones after it still count.
        if (reader.length() == 0) continue;
        if (!list.add(reader.name(), reader.length())) return nullptr;
    }
    return list.release();
}

}  // namespace utf8
}  // namespace kelvane
