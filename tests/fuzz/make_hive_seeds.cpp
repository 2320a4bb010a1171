// Writes the registry targets' seed hives into a folder: an empty hive, one with a wide
// key (both written directly), and one with the key ReadSubValues lists and values of
// every type (hivex fills an empty one: the direct writer has no values).
// Usage: make_hive_seeds FOLDER
#include <hivex.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "hive_builder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Value {
    std::string name;
    hive_type type;
    std::string data;  // as stored
};

// "text" as UTF-16LE with its terminating NUL, the way string values are stored.
std::string utf16(const std::string& text) {
    std::string stored;
    for (char c : text) stored += std::string{c, '\0'};
    return stored + std::string(2, '\0');
}

bool writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

hive_node_h addPath(hive_h* hive, const std::vector<std::string>& names) {
    hive_node_h node = hivex_root(hive);
    for (const std::string& name : names) {
        const hive_node_h child = hivex_node_get_child(hive, node, name.c_str());
        node = child != 0 ? child : hivex_node_add_child(hive, node, name.c_str());
    }
    return node;
}

bool setValues(hive_h* hive, hive_node_h node, const std::vector<Value>& values) {
    std::vector<hive_set_value> set;
    for (const Value& v : values) {
        set.push_back({const_cast<char*>(v.name.c_str()), v.type, v.data.size(), const_cast<char*>(v.data.data())});
    }
    return hivex_node_set_values(hive, node, set.size(), set.data(), 0) == 0;
}

// Opens a copy of the empty hive at `path` for changes.
hive_h* openEmpty(const std::string& path) {
    if (!writeBytes(path, kelvane::tools::emptyHive())) return nullptr;
    return hivex_open(path.c_str(), HIVEX_OPEN_WRITE);
}

bool finish(hive_h* hive, const std::string& path) {
    const bool committed = hivex_commit(hive, path.c_str(), 0) == 0;
    return hivex_close(hive) == 0 && committed;
}

bool writeValuesHive(const std::string& path) {
    hive_h* hive = openEmpty(path);
    if (hive == nullptr) return false;
    const hive_node_h tds = addPath(hive, {"Microsoft", "MSSQLServer", "Client", "TDS"});
    const std::vector<Value> values = {
        {"", hive_t_REG_SZ, utf16("default")},
        {"Server", hive_t_REG_SZ, utf16("db1,1433")},
        {"Path", hive_t_REG_EXPAND_SZ, utf16("%ProgramFiles%\\x")},
        {"List", hive_t_REG_MULTI_SZ, utf16("a") + utf16("b")},
        {"Port", hive_t_REG_DWORD, std::string("\x99\x05\0\0", 4)},
        {"Blob", hive_t_REG_BINARY, std::string(600, '\x5A')},
    };
    if (tds == 0 || !setValues(hive, tds, values)) return false;
    for (const auto& names : std::vector<std::vector<std::string>>{
             {"Classes", ".txt"}, {"Classes", "txtfile", "shell", "open"}, {"Leaf"}}) {
        if (addPath(hive, names) == 0) return false;
    }
    return finish(hive, path);
}

// Enough subkeys that the key's list is a hash leaf of many entries.
Bytes wideHive() {
    kelvane::tools::HiveImage hive;
    const std::uint32_t wide = hive.addKey(hive.root(), "Wide");
    for (int i = 0; i < 40; ++i) hive.addKey(wide, "Key" + std::to_string(i));
    return hive.bytes();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_hive_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const bool done = writeBytes(folder + "/empty.hive", kelvane::tools::emptyHive()) &&
                      writeValuesHive(folder + "/values.hive") && writeBytes(folder + "/wide.hive", wideHive());
    if (!done) std::fprintf(stderr, "make_hive_seeds: could not write the hives into %s\n", folder.c_str());
    return done ? 0 : 1;
}
