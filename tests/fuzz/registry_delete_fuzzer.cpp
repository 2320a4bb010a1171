// RegDeleteKeyNT on arbitrary hive files. Deleting changes the hive in the helper program
// kelvane-hive (a process per deletion, started from build/fuzz/bin beside this target),
// so this target runs apart from the reading one.
//
// Input: the whole input is the hive file SOFTWARE (see hiveFromInput) in this process's
// KELVANE_HKLM folder.
// The key deleted is the first one without subkeys that a breadth-first walk from the
// root reaches through ReadSubKeys (none: the root itself, which is refused).
//
// What must hold:
// - the result is 0 or a registry status (2, 5, 1009, 1016);
// - for anything but 0 the hive file is byte for byte as it was;
// - for 0 the key's parent lists one subkey fewer, the hive still lists HKLM as before
//   and no temporary file is left in the folder.
#include <algorithm>
#include <filesystem>

#include "kelvane.h"
#include "registry_walk.h"

using namespace kelvane::fuzz;

namespace {

// Keys visited per input while looking for one to delete.
constexpr std::size_t WALK_LIMIT = 16;

std::string hivePath;

bool isStatus(int result) { return result == 2 || result == 5 || result == 1009 || result == 1016; }

// The first walked key without subkeys, and its parent's path; the root when there is none.
std::pair<std::string, std::string> pickLeaf() {
    const std::vector<WalkedKey> keys = walkKeys(WALK_LIMIT);
    for (std::size_t i = 1; i < keys.size(); ++i) {
        if (keys[i].subkeys.empty()) {
            return {keys[i].path, keys[i].path.substr(0, keys[i].path.rfind('\\'))};
        }
    }
    return {HIVE_NAME, ""};
}

std::size_t subkeyCount(const std::string& path) {
    char* list = ReadSubKeys(path.c_str());
    const std::size_t count = splitList(list).size();
    freeString(list);
    return count;
}

std::size_t filesInFolder() {
    const auto folder = std::filesystem::path(hivePath).parent_path();
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startLibrary();
    hivePath = stageHklm();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes hive = hiveFromInput(data, size);
    FUZZ_CHECK(writeFileBytes(hivePath, hive), hivePath);
    const std::size_t files = filesInFolder();
    const auto [leaf, parent] = pickLeaf();
    const std::size_t before = parent.empty() ? 0 : subkeyCount(parent);

    const int result = RegDeleteKeyNT(leaf.c_str());
    if (result != 0) {
        FUZZ_CHECK(isStatus(result), leaf + " gave " + std::to_string(result));
        Bytes after;
        FUZZ_CHECK(readFileBytes(hivePath, &after) && after == hive, leaf + ": hive changed, result " +
                                                                         std::to_string(result));
    } else {
        FUZZ_CHECK(!parent.empty() && subkeyCount(parent) + 1 == before,
                   leaf + " deleted, but " + parent + " had " + std::to_string(before) + " subkeys and has " +
                       std::to_string(subkeyCount(parent)));
        char* listing = ReadSubKeys("");
        FUZZ_CHECK(listing != nullptr && std::string(listing) == HKLM_LISTING, "listing of HKLM after deletion");
        freeString(listing);
    }
    FUZZ_CHECK(filesInFolder() == files, "files left in the folder after deleting " + leaf);
    return 0;
}
