// What shows on Windows that a journal is this user's: the folder a file lives in may let
// others write, so a journal is made readable and writable by its maker alone, and its
// record carries a seal that only this user can make.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "platform/file_system.h"

namespace kelvane::platform::win32 {

// Security attributes that give the caller alone access, for the life of this object.
// get() is null when they cannot be made (the folder's own rights then apply).
class OwnerOnly {
public:
    OwnerOnly();
    ~OwnerOnly();
    OwnerOnly(const OwnerOnly&) = delete;
    OwnerOnly& operator=(const OwnerOnly&) = delete;
    SECURITY_ATTRIBUTES* get() { return ready_ ? &attributes_ : nullptr; }

private:
    SECURITY_ATTRIBUTES attributes_{};
    SECURITY_DESCRIPTOR descriptor_{};
    void* acl_ = nullptr;
    bool ready_ = false;
};

// SHA-256 of the user's secret, the record and the secret again. The secret is 32 random
// bytes in the user's own registry hive (HKEY_CURRENT_USER), which other users cannot read,
// made at the first use.
bool sealRecord(const std::uint8_t* record, std::size_t size, std::uint8_t seal[SEAL_SIZE]);

// True when the open file's owner is the caller: what another user put under a journal's
// name is not ours. (Wine gives every file the caller as owner.)
bool ownedByCaller(HANDLE file);

// `count` random bytes from the system.
bool randomBytes(void* bytes, unsigned long count);

}  // namespace kelvane::platform::win32
