// Registry hive files written directly, for `kelvane --empty-hive`, the tests, the benchmarks and the fuzz seeds:
// hivex cannot create a hive, and it adds each subkey by copying the parent's whole
// subkey list into new, never reused space, so a key of n subkeys takes O(n^2) time and
// space that way (16,000 subkeys: 61 s and a 1 GB file). Keys only, no values.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvane::tools {

// A hive being built: the root key ROOT and the one security cell every key shares, in
// one hive bin that grows with the keys.
class HiveImage {
public:
    HiveImage();
    // The root key's cell.
    std::uint32_t root() const { return root_; }
    // Adds the key `name` (ASCII) below the key at `parent`; returns its cell.
    std::uint32_t addKey(std::uint32_t parent, const std::string& name);
    // The file image: base block with its checksum, the bin, each key's subkeys listed in
    // the order Windows sorts them.
    std::vector<std::uint8_t> bytes() const;

private:
    struct Child {
        std::uint32_t cell;
        std::string name;
    };
    std::vector<std::uint8_t> bin_;
    std::uint32_t root_ = 0;
    std::uint32_t security_ = 0;
    std::vector<std::pair<std::uint32_t, std::vector<Child>>> children_;  // by parent cell

    std::uint32_t keyCell(const std::string& name, std::uint16_t flags, std::uint32_t parent);
    std::uint32_t securityCell();
};

// Size of an empty hive's image: a 4096-byte base block and one 4096-byte hive bin.
constexpr std::size_t EMPTY_HIVE_SIZE = 0x2000;
// Offset of the base block's checksum, the XOR of the 127 dwords before it.
constexpr std::size_t HIVE_CHECKSUM_OFFSET = 508;

// A hive with nothing below its root key, which hivex can open and fill.
std::vector<std::uint8_t> emptyHive();

}  // namespace kelvane::tools
