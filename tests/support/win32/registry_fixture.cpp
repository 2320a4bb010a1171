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

// Deletes `name` below `parent` with all its subkeys, by handle so that long paths pass.
void deleteTree(HKEY parent, const std::string& name) {
    HKEY key;
    if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    std::vector<std::string> children;
    char child[256];
    for (DWORD i = 0; RegEnumKeyA(key, i, child, sizeof child) == ERROR_SUCCESS; ++i) children.emplace_back(child);
    for (const std::string& each : children) deleteTree(key, each);
    RegCloseKey(key);
    RegDeleteKeyA(parent, name.c_str());
}

}  // namespace

std::string narrowText(const std::string& utf8) {
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(units, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), units);
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    std::string narrow(bytes, '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), units, narrow.data(), bytes, nullptr, nullptr);
    return narrow;
}

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
    for (auto it = store_->created.rbegin(); it != store_->created.rend(); ++it) deleteTree(HKEY_LOCAL_MACHINE, *it);
}

const std::string& RegistryFixture::root() const { return store_->root; }

std::string RegistryFixture::hiveFolder() const { return {}; }

void RegistryFixture::createKey(const std::string& path) {
    const std::string top = firstMissing(path);
    if (top.empty()) return;
    // One level at a time: Wine's narrow calls refuse paths past MAX_PATH, names up to 255 pass.
    HKEY parent = HKEY_LOCAL_MACHINE;
    std::size_t start = 0;
    for (std::size_t at = 0; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '\\') continue;
        HKEY child;
        const LONG status = RegCreateKeyExA(parent, path.substr(start, at - start).c_str(), 0, nullptr, 0,
                                            KEY_ALL_ACCESS, nullptr, &child, nullptr);
        if (parent != HKEY_LOCAL_MACHINE) RegCloseKey(parent);
        if (status != ERROR_SUCCESS) throw std::runtime_error("cannot create " + path);
        parent = child;
        start = at + 1;
    }
    RegCloseKey(parent);
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
