// The Linux registry layer's reading exports on arbitrary hive files.
//
// Input: the whole input is the hive file SOFTWARE (see hiveFromInput) in this process's
// KELVANE_HKLM folder, beside SYSTEM (a file that is no hive) and SOFTWARE.LOG1 (not listed).
//
// What must hold, whatever the hive holds:
// - ReadSubKeys("") lists exactly SOFTWARE,SYSTEM; SYSTEM never opens as a key;
// - ReadSubKeys, ReadKeyValue, ReadSubKeysInFile and ReadSubValues return on every key
//   the walk reaches from the root (breadth first, a bounded number), with the unnamed
//   value, a value named like a subkey, and every value ReadSubValues names;
// - a value's text is at most 512 bytes; ReadSubKeysInFile returns 0 and its file holds
//   exactly what ReadSubKeys gives for the key, or "(null)" (an empty list
//   creates the file and writes nothing);
// - a path with one trailing backslash added lists what the path without it lists;
// - RegDeleteKeyNT on keys that cannot go (the hive's root, a missing key, a path that
//   starts with a backslash) gives a registry status and leaves the hive file byte for
//   byte as it was. Deletions that change the hive run in the registry_delete target.
// AddressSanitizer stops the run on any read outside what hivex and the library hold.
#include <cstdio>
#include <cstring>

#include "kelvane.h"
#include "registry_walk.h"

using namespace kelvane::fuzz;

namespace {

// Keys visited per input: enough to reach a few levels of a small hive.
constexpr std::size_t WALK_LIMIT = 24;
// Longest value text ReadKeyValue gives.
constexpr std::size_t MAX_VALUE_TEXT = 512;
// The key ReadSubValues lists.
constexpr const char* VALUES_KEY = "SOFTWARE\\Microsoft\\MSSQLServer\\Client\\TDS";
// What ReadSubKeysInFile writes when there is no list.
constexpr const char* NO_LIST_TEXT = "(null)";

std::string hivePath;
std::string listPath;

std::string takeText(char* result) {
    std::string text = result != nullptr ? result : NO_LIST_TEXT;
    freeString(result);
    return text;
}

void checkValue(const std::string& path, const std::string& name) {
    char* value = ReadKeyValue(path.c_str(), name.c_str());
    if (value != nullptr) FUZZ_CHECK(std::strlen(value) <= MAX_VALUE_TEXT, path + " : " + name);
    freeString(value);
}

void checkListingInFile(const WalkedKey& key) {
    std::remove(listPath.c_str());
    FUZZ_CHECK(ReadSubKeysInFile(key.path.c_str(), listPath.c_str()) == 0, key.path);
    const std::string listed = takeText(ReadSubKeys(key.path.c_str()));
    Bytes written;
    // A key whose one subkey has an empty name (only a damaged hive has one) lists as
    // empty text: nothing is appended, but the file is still created.
    FUZZ_CHECK(readFileBytes(listPath, &written), listPath);
    FUZZ_CHECK(std::string(written.begin(), written.end()) == listed, key.path + ": file differs from " + listed);
    // A key with an empty name ends its path in a backslash already; one more would
    // name an empty component, which no key matches.
    if (key.path.back() != '\\') {
        FUZZ_CHECK(takeText(ReadSubKeys((key.path + "\\").c_str())) == listed, key.path + " with a trailing backslash");
    }
}

void checkKey(const WalkedKey& key) {
    checkValue(key.path, "");
    if (!key.subkeys.empty()) checkValue(key.path, key.subkeys.front());
    checkListingInFile(key);
}

void checkValueNames() {
    char* names = ReadSubValues();
    for (const std::string& name : splitList(names)) checkValue(VALUES_KEY, name);
    freeString(names);
}

// Statuses a refused deletion may give: missing, refused, bad path, unreadable hive.
bool isRefusal(int status) { return status == 2 || status == 5 || status == 161 || status == 1009; }

void checkRefusedDeletions(const Bytes& hive) {
    for (const char* path : {"SOFTWARE", "SOFTWARE\\kelvane fuzz: no such key", "\\SOFTWARE", "SYSTEM\\x"}) {
        const int status = RegDeleteKeyNT(path);
        FUZZ_CHECK(isRefusal(status), std::string(path) + " gave " + std::to_string(status));
    }
    Bytes after;
    FUZZ_CHECK(readFileBytes(hivePath, &after) && after == hive, "hive changed by a refused deletion");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startLibrary();
    hivePath = stageHklm();
    listPath = scratchPath("list.txt");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes hive = hiveFromInput(data, size);
    FUZZ_CHECK(writeFileBytes(hivePath, hive), hivePath);

    FUZZ_CHECK(takeText(ReadSubKeys("")) == HKLM_LISTING, "listing of HKLM");
    char* system = ReadSubKeys("SYSTEM");
    FUZZ_CHECK(system == nullptr, "SYSTEM opened");
    for (const WalkedKey& key : walkKeys(WALK_LIMIT)) checkKey(key);
    checkValueNames();
    checkRefusedDeletions(hive);
    return 0;
}
