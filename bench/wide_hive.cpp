#include "wide_hive.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "cipher/byte_order.h"

namespace kelvane::bench {
namespace {

constexpr std::uint32_t BLOCK = 0x1000;         // base block and hive-bin granularity
constexpr std::uint32_t BIN_HEADER = 32;        // "hbin" header before the first cell
constexpr std::uint32_t NO_CELL = 0xFFFFFFFF;   // cell offset meaning "none"
constexpr std::uint16_t ROOT_FLAGS = 0x2C;      // hive entry, not deletable, ASCII name
constexpr std::uint16_t KEY_FLAGS = 0x20;       // ASCII name
constexpr std::uint32_t NK_FIXED = 0x4C;        // key record up to its name
constexpr std::size_t LEAF_LIMIT = 1000;        // entries per hash leaf, about what Windows keeps
constexpr std::uint32_t CHECKSUM_AT = 508;      // XOR of the 127 dwords before it

using Image = std::vector<std::uint8_t>;

void put16(Image& image, std::size_t at, std::uint16_t v) { storeLe16(&image[at], v); }
void put32(Image& image, std::size_t at, std::uint32_t v) { storeLe32(&image[at], v); }

// The cells of one hive bin; offsets are relative to the start of the bins (0x1000).
class Bin {
public:
    Bin() : bytes_(BIN_HEADER, 0) {}
    // A used cell with room for `payload` bytes; returns its offset. The payload starts 4 bytes in.
    std::uint32_t cell(std::size_t payload) {
        const std::size_t size = (4 + payload + 7) & ~std::size_t{7};
        const auto at = static_cast<std::uint32_t>(bytes_.size());
        bytes_.resize(bytes_.size() + size, 0);
        put32(bytes_, at, static_cast<std::uint32_t>(-static_cast<std::int32_t>(size)));
        return at;
    }
    Image& bytes() { return bytes_; }

private:
    Image bytes_;
};

// Windows' name hash of hash leaves: each upper-cased character, base 37.
std::uint32_t nameHash(const std::string& name) {
    std::uint32_t hash = 0;
    for (char c : name) hash = hash * 37 + static_cast<std::uint32_t>(std::toupper(static_cast<unsigned char>(c)));
    return hash;
}

std::uint32_t keyCell(Bin& bin, const std::string& name, std::uint16_t flags, std::uint32_t parent,
                      std::uint32_t security) {
    const std::uint32_t at = bin.cell(NK_FIXED + name.size());
    Image& b = bin.bytes();
    const std::size_t p = at + 4;
    std::memcpy(&b[p], "nk", 2);
    put16(b, p + 0x02, flags);
    put32(b, p + 0x10, parent);
    put32(b, p + 0x1C, NO_CELL);  // subkey list, set when there is one
    put32(b, p + 0x20, NO_CELL);  // volatile subkey list
    put32(b, p + 0x28, NO_CELL);  // value list
    put32(b, p + 0x2C, security);
    put32(b, p + 0x30, NO_CELL);  // class
    put16(b, p + 0x48, static_cast<std::uint16_t>(name.size()));
    std::memcpy(&b[p + NK_FIXED], name.data(), name.size());
    return at;
}

std::uint32_t securityCell(Bin& bin) {
    constexpr std::uint32_t DESCRIPTOR = 20;  // empty self-relative security descriptor
    const std::uint32_t at = bin.cell(0x14 + DESCRIPTOR);
    Image& b = bin.bytes();
    std::memcpy(&b[at + 4], "sk", 2);
    put32(b, at + 4 + 0x04, at);  // the only security cell links to itself both ways
    put32(b, at + 4 + 0x08, at);
    put32(b, at + 4 + 0x0C, 1);
    put32(b, at + 4 + 0x10, DESCRIPTOR);
    b[at + 4 + 0x14] = 1;                    // revision
    put16(b, at + 4 + 0x16, 0x8000);         // self-relative
    return at;
}

// A hash leaf of `keys` (offset, name) from `first`, at most LEAF_LIMIT of them.
std::uint32_t leafCell(Bin& bin, const std::vector<std::pair<std::uint32_t, std::string>>& keys, std::size_t first,
                       std::size_t count) {
    const std::uint32_t at = bin.cell(4 + 8 * count);
    Image& b = bin.bytes();
    std::memcpy(&b[at + 4], "lh", 2);
    put16(b, at + 6, static_cast<std::uint16_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        put32(b, at + 8 + 8 * i, keys[first + i].first);
        put32(b, at + 12 + 8 * i, nameHash(keys[first + i].second));
    }
    return at;
}

// The subkey list of `keys`: one leaf, or an index of leaves when they need more than one.
std::uint32_t subKeyList(Bin& bin, const std::vector<std::pair<std::uint32_t, std::string>>& keys) {
    if (keys.size() <= LEAF_LIMIT) return leafCell(bin, keys, 0, keys.size());
    std::vector<std::uint32_t> leaves;
    for (std::size_t first = 0; first < keys.size(); first += LEAF_LIMIT) {
        leaves.push_back(leafCell(bin, keys, first, std::min(LEAF_LIMIT, keys.size() - first)));
    }
    const std::uint32_t at = bin.cell(4 + 4 * leaves.size());
    Image& b = bin.bytes();
    std::memcpy(&b[at + 4], "ri", 2);
    put16(b, at + 6, static_cast<std::uint16_t>(leaves.size()));
    for (std::size_t i = 0; i < leaves.size(); ++i) put32(b, at + 8 + 4 * i, leaves[i]);
    return at;
}

void linkSubKeys(Bin& bin, std::uint32_t key, const std::vector<std::pair<std::uint32_t, std::string>>& keys) {
    const std::uint32_t list = subKeyList(bin, keys);
    std::uint32_t longest = 0;
    for (const auto& each : keys) longest = std::max(longest, static_cast<std::uint32_t>(each.second.size()));
    put32(bin.bytes(), key + 4 + 0x14, static_cast<std::uint32_t>(keys.size()));
    put32(bin.bytes(), key + 4 + 0x1C, list);
    put32(bin.bytes(), key + 4 + 0x34, 2 * longest);
}

// Closes the bin: header, and a free cell up to the next block boundary.
Image finishedBin(Bin& bin) {
    Image b = std::move(bin.bytes());
    const std::size_t used = b.size();
    const std::size_t size = (used + BLOCK - 1) / BLOCK * BLOCK;
    b.resize(size, 0);
    if (size > used) put32(b, used, static_cast<std::uint32_t>(size - used));
    std::memcpy(&b[0], "hbin", 4);
    put32(b, 8, static_cast<std::uint32_t>(size));
    return b;
}

Image baseBlock(std::uint32_t root, std::uint32_t binsSize) {
    Image b(BLOCK, 0);
    std::memcpy(&b[0], "regf", 4);
    put32(b, 4, 1);   // sequence numbers, equal: the hive is consistent
    put32(b, 8, 1);
    put32(b, 20, 1);  // version 1.3
    put32(b, 24, 3);
    put32(b, 32, 1);  // memory-image format
    put32(b, 36, root);
    put32(b, 40, binsSize);
    put32(b, 44, 1);  // clustering factor
    std::uint32_t checksum = 0;
    for (std::uint32_t at = 0; at < CHECKSUM_AT; at += 4) checksum ^= loadLe32(&b[at]);
    put32(b, CHECKSUM_AT, checksum);
    return b;
}

}  // namespace

std::string wideSubKeyName(std::size_t index) {
    char name[32];
    std::snprintf(name, sizeof name, "Key%07zu", index);
    return name;
}

std::vector<std::uint8_t> wideHive(std::size_t count) {
    Bin bin;
    const std::uint32_t root = keyCell(bin, "ROOT", ROOT_FLAGS, 0, 0);
    const std::uint32_t security = securityCell(bin);
    put32(bin.bytes(), root + 4 + 0x2C, security);
    const std::uint32_t wide = keyCell(bin, "Wide", KEY_FLAGS, root, security);
    std::vector<std::pair<std::uint32_t, std::string>> children;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string name = wideSubKeyName(i);
        children.emplace_back(keyCell(bin, name, KEY_FLAGS, wide, security), name);
    }
    put32(bin.bytes(), security + 4 + 0x0C, static_cast<std::uint32_t>(count + 2));  // keys that use it
    linkSubKeys(bin, wide, children);
    linkSubKeys(bin, root, {{wide, "Wide"}});
    const Image bins = finishedBin(bin);
    Image image = baseBlock(root, static_cast<std::uint32_t>(bins.size()));
    image.resize(BLOCK + bins.size());
    std::copy(bins.begin(), bins.end(), image.begin() + BLOCK);
    return image;
}

}  // namespace kelvane::bench
