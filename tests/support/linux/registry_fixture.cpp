// The fixture over hive files: each hive named by a path's first component is made
// from the empty hive on first use and filled through hivex.
#include "support/registry_fixture.h"

#include <hivex.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "platform/linux/utf8.h"
#include "hive_builder.h"

namespace kelvane::test {

using tools::emptyHive;
namespace {

constexpr const char* HKLM_VARIABLE = "KELVANE_HKLM";

std::vector<std::string> splitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path + "\\") {
        if (c != '\\') {
            part += c;
        } else if (!part.empty()) {
            parts.push_back(part);
            part.clear();
        }
    }
    return parts;
}

// UTF-16LE of narrow text (UTF-8 here), as a hive stores strings.
Bytes widened(const Bytes& narrow) {
    Bytes wide;
    const auto put = [&wide](char32_t unit) {
        wide.push_back(static_cast<std::uint8_t>(unit));
        wide.push_back(static_cast<std::uint8_t>(unit >> 8));
    };
    const std::string_view text(reinterpret_cast<const char*>(narrow.data()), narrow.size());
    for (char32_t c : platform::decodeUtf8(text)) {
        if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
    return wide;
}

bool isStringType(ValueType type) {
    return type == ValueType::String || type == ValueType::ExpandString || type == ValueType::MultiString;
}

// One hive opened for writing; commit() writes it back in place.
class WritableHive {
public:
    explicit WritableHive(const std::string& file) : file_(file), hive_(hivex_open(file.c_str(), HIVEX_OPEN_WRITE)) {
        if (hive_ == nullptr) throw std::runtime_error("hivex cannot open " + file);
    }
    ~WritableHive() { hivex_close(hive_); }
    hive_h* get() const { return hive_; }
    // The node at `parts` (after the hive name), created where missing when `create`.
    hive_node_h walk(const std::vector<std::string>& parts, bool create) {
        hive_node_h node = hivex_root(hive_);
        for (std::size_t i = 1; i < parts.size() && node != 0; ++i) {
            hive_node_h child = hivex_node_get_child(hive_, node, parts[i].c_str());
            if (child == 0 && create) child = hivex_node_add_child(hive_, node, parts[i].c_str());
            node = child;
        }
        return node;
    }
    void commit() {
        if (hivex_commit(hive_, file_.c_str(), 0) != 0) throw std::runtime_error("hivex cannot write " + file_);
    }

private:
    std::string file_;
    hive_h* hive_;
};

}  // namespace

std::string narrowText(const std::string& utf8) { return utf8; }

struct RegistryFixture::Store {
    ScratchFolder folder;
    std::string root = "SOFTWARE\\KelvaneTest";
    bool hadVariable = false;
    std::string oldVariable;

    std::string hiveFile(const std::string& name) {
        const std::string file = folder.path(name);
        if (!fileExists(file)) writeFile(file, emptyHive());
        return file;
    }
};

RegistryFixture::RegistryFixture() : store_(std::make_unique<Store>()) {
    if (const char* old = std::getenv(HKLM_VARIABLE)) {
        store_->hadVariable = true;
        store_->oldVariable = old;
    }
    setenv(HKLM_VARIABLE, store_->folder.root().c_str(), 1);
    createKey(store_->root);
}

RegistryFixture::~RegistryFixture() {
    if (store_->hadVariable) setenv(HKLM_VARIABLE, store_->oldVariable.c_str(), 1);
    else unsetenv(HKLM_VARIABLE);
}

const std::string& RegistryFixture::root() const { return store_->root; }

std::string RegistryFixture::hiveFolder() const { return store_->folder.root(); }

void RegistryFixture::createKey(const std::string& path) {
    const std::vector<std::string> parts = splitPath(path);
    WritableHive hive(store_->hiveFile(parts.at(0)));
    if (hive.walk(parts, true) == 0) throw std::runtime_error("cannot create " + path);
    hive.commit();
}

void RegistryFixture::setValue(const std::string& path, const std::string& name, ValueType type, const Bytes& data) {
    const std::vector<std::string> parts = splitPath(path);
    WritableHive hive(store_->hiveFile(parts.at(0)));
    const hive_node_h node = hive.walk(parts, false);
    if (node == 0) throw std::runtime_error("no key " + path);
    Bytes stored = isStringType(type) ? widened(data) : data;
    std::string key = name;
    hive_set_value value;
    value.key = key.data();
    // Tests store types no enumerator of hive_type names: the number goes in as bytes.
    static_assert(sizeof value.t == sizeof type);
    std::memcpy(&value.t, &type, sizeof value.t);
    value.len = stored.size();
    value.value = reinterpret_cast<char*>(stored.data());
    if (hivex_node_set_value(hive.get(), node, &value, 0) != 0) throw std::runtime_error("cannot set " + name);
    hive.commit();
}

bool RegistryFixture::keyExists(const std::string& path) {
    const std::vector<std::string> parts = splitPath(path);
    if (parts.empty() || !fileExists(store_->folder.path(parts[0]))) return false;
    WritableHive hive(store_->folder.path(parts[0]));
    return hive.walk(parts, false) != 0;
}

}  // namespace kelvane::test
