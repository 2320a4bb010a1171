// A registry key open for the length of one call; closed when it goes out of scope.
#pragma once
#include <cstdint>

#include "platform/registry.h"

namespace kelvane {

class OpenKey {
public:
    // Opens `path` below HKEY_LOCAL_MACHINE; status() tells whether it worked.
    OpenKey(const char* path, std::uint32_t access) : status_(platform::registryOpen(path, access, &key_)) {}
    ~OpenKey() { platform::registryClose(key_); }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    bool isOpen() const { return status_ == platform::REGISTRY_OK; }
    long status() const { return status_; }
    platform::RegistryKey* get() const { return key_; }

private:
    platform::RegistryKey* key_ = nullptr;
    long status_;
};

}  // namespace kelvane
