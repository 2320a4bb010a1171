#include "registry_walk.h"

#include <cstdlib>
#include <filesystem>

#include "kelvane.h"

namespace kelvane::fuzz {
namespace {

// The base block's checksum: the XOR of the 127 little-endian dwords before it.
constexpr std::size_t CHECKSUM_OFFSET = 508;

std::uint32_t little32(const Bytes& bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 | std::uint32_t{bytes[at + 2]} << 16 |
           std::uint32_t{bytes[at + 3]} << 24;
}

}  // namespace

Bytes hiveFromInput(const std::uint8_t* data, std::size_t size) {
    Bytes hive(data, data + size);
    if (size < CHECKSUM_OFFSET + 4 || little32(hive, CHECKSUM_OFFSET) != 0) return hive;
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at < CHECKSUM_OFFSET; at += 4) sum ^= little32(hive, at);
    for (int i = 0; i < 4; ++i) hive[CHECKSUM_OFFSET + i] = static_cast<std::uint8_t>(sum >> (8 * i));
    return hive;
}

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
