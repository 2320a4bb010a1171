// The fixture in the registry itself: a key of its own below HKLM\SOFTWARE, and any
// other key it had to create, removed with all their subkeys afterwards.
#include "support/registry_fixture.h"

#include <windows.h>

#include <random>
#include <stdexcept>
#include <vector>

namespace kelvane::test {
namespace {

bool exists(const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The first key along `path` that does not exist yet, or empty when all do.
std::string firstMissing(const std::string& path) {
    for (std::size_t at = 0; at <= path.size(); ++at) {
        if (at == path.size() || path[at] == '\\') {
            const std::string prefix = path.substr(0, at);
            if (!exists(prefix)) return prefix;
        }
    }
    return {};
}

void deleteTree(const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    std::vector<std::string> children;
    char name[256];
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) children.emplace_back(name);
    RegCloseKey(key);
    for (const std::string& child : children) deleteTree(path + "\\" + child);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
}

}  // namespace

struct RegistryFixture::Store {
    std::string root;
    std::vector<std::string> created;  // top keys this fixture made, removed at the end
};

RegistryFixture::RegistryFixture() : store_(std::make_unique<Store>()) {
    std::random_device seed;
    store_->root = "SOFTWARE\\KelvaneTest-" + std::to_string(seed());
    createKey(store_->root);
}

RegistryFixture::~RegistryFixture() {
    for (auto it = store_->created.rbegin(); it != store_->created.rend(); ++it) deleteTree(*it);
}

const std::string& RegistryFixture::root() const { return store_->root; }

std::string RegistryFixture::hiveFolder() const { return {}; }

void RegistryFixture::createKey(const std::string& path) {
    const std::string top = firstMissing(path);
    if (top.empty()) return;
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        throw std::runtime_error("cannot create " + path);
    }
    RegCloseKey(key);
    store_->created.push_back(top);
}

void RegistryFixture::setValue(const std::string& path, const std::string& name, ValueType type, const Bytes& data) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
        throw std::runtime_error("no key " + path);
    }
    const LONG status = RegSetValueExA(key, name.c_str(), 0, static_cast<DWORD>(type), data.data(),
                                       static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) throw std::runtime_error("cannot set " + name);
}

bool RegistryFixture::keyExists(const std::string& path) { return exists(path); }

}  // namespace kelvane::test
