#include "platform/win32/journal_guard.h"

#include <aclapi.h>
#include <ntsecapi.h>
#include <wincrypt.h>

#include <cstdlib>
#include <cstring>

namespace kelvane::platform::win32 {
namespace {

// Where the user's secret lives, below HKEY_CURRENT_USER.
constexpr wchar_t SECRET_KEY[] = L"Software\\kelvane";
constexpr wchar_t SECRET_VALUE[] = L"JournalSeal";
constexpr DWORD SECRET_SIZE = 32;

// The token's user: the SID a journal's access and seal belong to, in `buffer`.
SID* currentUser(std::uint8_t* buffer, DWORD capacity) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return nullptr;
    DWORD needed = 0;
    const bool known = GetTokenInformation(token, TokenUser, buffer, capacity, &needed) != 0;
    CloseHandle(token);
    return known ? static_cast<SID*>(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid) : nullptr;
}

// The user's secret, made at the first use. A second process making it at the same
// moment may write another; the one that stays is read back, so both use it afterwards.
bool userSecret(std::uint8_t secret[SECRET_SIZE]) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SECRET_KEY, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    DWORD type = 0, size = SECRET_SIZE;
    LONG status = RegQueryValueExW(key, SECRET_VALUE, nullptr, &type, secret, &size);
    if (status == ERROR_FILE_NOT_FOUND && randomBytes(secret, SECRET_SIZE) &&
        RegSetValueExW(key, SECRET_VALUE, 0, REG_BINARY, secret, SECRET_SIZE) == ERROR_SUCCESS) {
        size = SECRET_SIZE;
        status = RegQueryValueExW(key, SECRET_VALUE, nullptr, &type, secret, &size);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_BINARY && size == SECRET_SIZE;
}

}  // namespace

OwnerOnly::OwnerOnly() {
    std::uint8_t user[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
    SID* sid = currentUser(user, sizeof user);
    if (sid == nullptr) return;
    const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid);
    acl_ = std::malloc(aclSize);
    ACL* acl = static_cast<ACL*>(acl_);
    // Protected: the folder's inheritable entries (others' write access) do not apply.
    ready_ = acl != nullptr && InitializeAcl(acl, aclSize, ACL_REVISION) &&
             AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sid) &&
             InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
             SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) &&
             SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = &descriptor_;
}

OwnerOnly::~OwnerOnly() { std::free(acl_); }

bool ownedByCaller(HANDLE file) {
    std::uint8_t user[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
    SID* caller = currentUser(user, sizeof user);
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (caller == nullptr || GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                                             nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const bool ours = owner != nullptr && EqualSid(owner, caller);
    LocalFree(descriptor);
    return ours;
}

bool randomBytes(void* bytes, unsigned long count) { return RtlGenRandom(bytes, count) != FALSE; }

bool sealRecord(const std::uint8_t* record, std::size_t size, std::uint8_t seal[SEAL_SIZE]) {
    std::uint8_t secret[SECRET_SIZE];
    if (!userSecret(secret)) return false;
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    DWORD length = SEAL_SIZE;
    const bool sealed =
        CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
        CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash) && CryptHashData(hash, secret, SECRET_SIZE, 0) &&
        CryptHashData(hash, record, static_cast<DWORD>(size), 0) && CryptHashData(hash, secret, SECRET_SIZE, 0) &&
        CryptGetHashParam(hash, HP_HASHVAL, seal, &length, 0) && length == SEAL_SIZE;
    if (hash != 0) CryptDestroyHash(hash);
    if (provider != 0) CryptReleaseContext(provider, 0);
    SecureZeroMemory(secret, sizeof secret);
    return sealed;
}

}  // namespace kelvane::platform::win32
