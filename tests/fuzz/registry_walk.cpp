#include "registry_walk.h"

#include <cstdlib>
#include <filesystem>

#include "kelvane.h"

namespace kelvane::fuzz {

std::string stageHklm() {
    const std::string folder = scratchPath("hklm");
    std::filesystem::create_directory(folder);
    // A file Windows would name as a hive but that holds none, and a log beside it,
    // which is no hive because of the dot in its name.
    FUZZ_CHECK(writeFileBytes(folder + "/SYSTEM", Bytes{}), folder);
    FUZZ_CHECK(writeFileBytes(folder + "/SOFTWARE.LOG1", Bytes{1, 2, 3}), folder);
    setenv("KELVANE_HKLM", folder.c_str(), 1);
    return folder + "/" + HIVE_NAME;
}

std::vector<std::string> splitList(const char* list) {
    std::vector<std::string> names;
    if (list == nullptr) return names;
    std::string name;
    for (const char* c = list;; ++c) {
        if (*c == ',' || *c == '\0') {
            names.push_back(name);
            name.clear();
            if (*c == '\0') break;
        } else {
            name += *c;
        }
    }
    return names;
}

std::vector<WalkedKey> walkKeys(std::size_t limit) {
    std::vector<WalkedKey> keys;
    keys.push_back({HIVE_NAME, {}});
    for (std::size_t next = 0; next < keys.size(); ++next) {
        char* list = ReadSubKeys(keys[next].path.c_str());
        keys[next].subkeys = splitList(list);
        freeString(list);
        for (const std::string& name : keys[next].subkeys) {
            if (keys.size() >= limit) break;
            keys.push_back({keys[next].path + "\\" + name, {}});
        }
    }
    return keys;
}

}  // namespace kelvane::fuzz
