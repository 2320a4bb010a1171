#include "hive_builder.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace kelvane::tools {
namespace {

using Image = std::vector<std::uint8_t>;

constexpr std::uint32_t BLOCK = 0x1000;        // base block and hive-bin granularity
constexpr std::uint32_t BIN_HEADER = 32;       // "hbin" header before the first cell
constexpr std::uint32_t NO_CELL = 0xFFFFFFFF;  // cell offset meaning "none"
constexpr std::uint16_t ROOT_FLAGS = 0x2C;     // hive entry, not deletable, ASCII name
constexpr std::uint16_t KEY_FLAGS = 0x20;      // ASCII name
constexpr std::uint32_t NK_FIXED = 0x4C;       // key record up to its name
constexpr std::uint32_t SK_FIXED = 0x14;       // security record up to its descriptor
constexpr std::uint32_t DESCRIPTOR = 20;       // empty self-relative security descriptor
constexpr std::uint16_t SELF_RELATIVE = 0x8000;  // SE_SELF_RELATIVE control bit
constexpr std::size_t LEAF_LIMIT = 1000;       // entries per hash leaf, about what Windows keeps

void put16(Image& image, std::size_t at, std::uint16_t v) {
    for (int i = 0; i < 2; ++i) image[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void put32(Image& image, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) image[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t get32(const Image& image, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(image[at + i]) << (8 * i);
    return v;
}

void putText(Image& image, std::size_t at, const std::string& text) {
    std::memcpy(&image[at], text.data(), text.size());
}

std::string upper(const std::string& name) {
    std::string folded = name;
    for (char& c : folded) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return folded;
}

// Windows' name hash of hash leaves: each upper-cased character, base 37.
std::uint32_t nameHash(const std::string& name) {
    std::uint32_t hash = 0;
    for (char c : upper(name)) hash = hash * 37 + static_cast<unsigned char>(c);
    return hash;
}

// Appends a used cell (its size stored negated) with room for `payload` bytes 4 bytes
// in; returns its offset, counted from the start of the bins.
std::uint32_t appendCell(Image& bin, std::size_t payload) {
    const std::size_t size = (4 + payload + 7) & ~std::size_t{7};
    const auto at = static_cast<std::uint32_t>(bin.size());
    bin.resize(bin.size() + size, 0);
    put32(bin, at, static_cast<std::uint32_t>(-static_cast<std::int32_t>(size)));
    return at;
}

Image baseBlock(std::uint32_t root, std::uint32_t binsSize) {
    Image b(BLOCK, 0);
    putText(b, 0, "regf");
    put32(b, 0x04, 1);  // sequence numbers, equal: the hive is consistent
    put32(b, 0x08, 1);
    put32(b, 0x14, 1);  // version 1.3
    put32(b, 0x18, 3);
    put32(b, 0x20, 1);  // memory-image format
    put32(b, 0x24, root);
    put32(b, 0x28, binsSize);
    put32(b, 0x2C, 1);  // clustering factor
    std::uint32_t checksum = 0;
    for (std::size_t at = 0; at < HIVE_CHECKSUM_OFFSET; at += 4) checksum ^= get32(b, at);
    put32(b, HIVE_CHECKSUM_OFFSET, checksum);
    return b;
}

}  // namespace

HiveImage::HiveImage() : bin_(BIN_HEADER, 0) {
    root_ = keyCell("ROOT", ROOT_FLAGS, 0);
    security_ = securityCell();
    put32(bin_, root_ + 4 + 0x2C, security_);
}

std::uint32_t HiveImage::keyCell(const std::string& name, std::uint16_t flags, std::uint32_t parent) {
    const std::uint32_t at = appendCell(bin_, NK_FIXED + name.size());
    const std::size_t p = at + 4;
    putText(bin_, p, "nk");
    put16(bin_, p + 0x02, flags);
    put32(bin_, p + 0x10, parent);
    put32(bin_, p + 0x1C, NO_CELL);  // subkey list, set by bytes() when there is one
    put32(bin_, p + 0x20, NO_CELL);  // volatile subkey list
    put32(bin_, p + 0x28, NO_CELL);  // value list
    put32(bin_, p + 0x2C, security_);
    put32(bin_, p + 0x30, NO_CELL);  // class
    put16(bin_, p + 0x48, static_cast<std::uint16_t>(name.size()));
    putText(bin_, p + NK_FIXED, name);
    return at;
}

// The only security cell links to itself both ways; bytes() sets how many keys use it.
std::uint32_t HiveImage::securityCell() {
    const std::uint32_t at = appendCell(bin_, SK_FIXED + DESCRIPTOR);
    const std::size_t p = at + 4;
    putText(bin_, p, "sk");
    put32(bin_, p + 0x04, at);
    put32(bin_, p + 0x08, at);
    put32(bin_, p + 0x10, DESCRIPTOR);
    bin_[p + SK_FIXED] = 1;  // descriptor revision
    put16(bin_, p + SK_FIXED + 2, SELF_RELATIVE);
    return at;
}

std::uint32_t HiveImage::addKey(std::uint32_t parent, const std::string& name) {
    const std::uint32_t key = keyCell(name, KEY_FLAGS, parent);
    auto list = std::find_if(children_.begin(), children_.end(), [&](const auto& each) { return each.first == parent; });
    if (list == children_.end()) list = children_.insert(children_.end(), {parent, {}});
    list->second.push_back({key, name});
    return key;
}

namespace {

template <class Children>
std::uint32_t leafCell(Image& bin, const Children& keys, std::size_t first, std::size_t count) {
    const std::uint32_t at = appendCell(bin, 4 + 8 * count);
    putText(bin, at + 4, "lh");
    put16(bin, at + 6, static_cast<std::uint16_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        put32(bin, at + 8 + 8 * i, keys[first + i].cell);
        put32(bin, at + 12 + 8 * i, nameHash(keys[first + i].name));
    }
    return at;
}

// The subkey list of `keys`: one hash leaf, or an index of leaves when they need more.
template <class Children>
std::uint32_t subKeyList(Image& bin, const Children& keys) {
    if (keys.size() <= LEAF_LIMIT) return leafCell(bin, keys, 0, keys.size());
    std::vector<std::uint32_t> leaves;
    for (std::size_t first = 0; first < keys.size(); first += LEAF_LIMIT) {
        leaves.push_back(leafCell(bin, keys, first, std::min(LEAF_LIMIT, keys.size() - first)));
    }
    const std::uint32_t at = appendCell(bin, 4 + 4 * leaves.size());
    putText(bin, at + 4, "ri");
    put16(bin, at + 6, static_cast<std::uint16_t>(leaves.size()));
    for (std::size_t i = 0; i < leaves.size(); ++i) put32(bin, at + 8 + 4 * i, leaves[i]);
    return at;
}

// Closes the bin: its header, and a free cell up to the next block boundary.
void finishBin(Image& bin) {
    const std::size_t used = bin.size();
    const std::size_t size = (used + BLOCK - 1) / BLOCK * BLOCK;
    bin.resize(size, 0);
    if (size > used) put32(bin, used, static_cast<std::uint32_t>(size - used));
    putText(bin, 0, "hbin");
    put32(bin, 8, static_cast<std::uint32_t>(size));
}

}  // namespace

std::vector<std::uint8_t> HiveImage::bytes() const {
    Image bin = bin_;
    std::uint32_t keys = 1;
    for (auto [parent, children] : children_) {
        std::sort(children.begin(), children.end(),
                  [](const Child& a, const Child& b) { return upper(a.name) < upper(b.name); });
        std::uint32_t longest = 0;
        for (const Child& each : children) longest = std::max(longest, static_cast<std::uint32_t>(each.name.size()));
        const std::uint32_t list = subKeyList(bin, children);
        put32(bin, parent + 4 + 0x14, static_cast<std::uint32_t>(children.size()));
        put32(bin, parent + 4 + 0x1C, list);
        put32(bin, parent + 4 + 0x34, 2 * longest);
        keys += static_cast<std::uint32_t>(children.size());
    }
    put32(bin, security_ + 4 + 0x0C, keys);  // keys that use the security cell
    finishBin(bin);
    Image image = baseBlock(root_, static_cast<std::uint32_t>(bin.size()));
    image.resize(BLOCK + bin.size());  // not insert(): GCC 12 then warns of a memcpy out of bounds
    std::copy(bin.begin(), bin.end(), image.begin() + BLOCK);
    return image;
}

std::vector<std::uint8_t> emptyHive() { return HiveImage().bytes(); }

}  // namespace kelvane::tools
