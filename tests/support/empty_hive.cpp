#include "support/empty_hive.h"

#include <cstring>

namespace kelvane::test {
namespace {

constexpr std::size_t BASE_BLOCK_SIZE = 0x1000;  // the header before the first bin
constexpr std::size_t BIN_SIZE = 0x1000;         // the one hive bin
constexpr std::size_t BIN_HEADER_SIZE = 32;      // "hbin" header before the first cell
constexpr std::uint32_t NO_CELL = 0xFFFFFFFF;    // cell offset meaning "none"
constexpr std::uint16_t ROOT_FLAGS = 0x2C;       // hive entry, not deletable, ASCII name
constexpr char ROOT_NAME[] = "ROOT";
constexpr std::size_t NK_FIXED_SIZE = 0x4C;      // nk record up to its name
constexpr std::size_t SK_FIXED_SIZE = 0x14;      // sk record up to its descriptor
constexpr std::size_t DESCRIPTOR_SIZE = 20;      // self-relative security descriptor, no parts
constexpr std::uint16_t SELF_RELATIVE = 0x8000;  // SE_SELF_RELATIVE control bit

void put16(Bytes& image, std::size_t at, std::uint16_t v) {
    image[at] = static_cast<std::uint8_t>(v);
    image[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(Bytes& image, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) image[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t get32(const Bytes& image, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(image[at + i]) << (8 * i);
    return v;
}

void putText(Bytes& image, std::size_t at, const char* text) { std::memcpy(&image[at], text, std::strlen(text)); }

std::size_t aligned8(std::size_t size) { return (size + 7) & ~std::size_t{7}; }

// A cell in use has its size stored negated.
void putUsedCellSize(Bytes& image, std::size_t at, std::size_t size) {
    put32(image, at, static_cast<std::uint32_t>(-static_cast<std::int32_t>(size)));
}

void writeBaseBlock(Bytes& image, std::uint32_t rootOffset) {
    putText(image, 0, "regf");
    put32(image, 4, 1);      // primary sequence number
    put32(image, 8, 1);      // secondary sequence number, equal: the hive is consistent
    put32(image, 0x14, 1);   // major version
    put32(image, 0x18, 3);   // minor version
    put32(image, 0x1C, 0);   // primary file
    put32(image, 0x20, 1);   // memory-image format
    put32(image, 0x24, rootOffset);
    put32(image, 0x28, BIN_SIZE);
    put32(image, 0x2C, 1);   // clustering factor
    std::uint32_t sum = 0;
    for (std::size_t at = 0; at < HIVE_CHECKSUM_OFFSET; at += 4) sum ^= get32(image, at);
    put32(image, HIVE_CHECKSUM_OFFSET, sum);
}

void writeBinHeader(Bytes& image) {
    putText(image, BASE_BLOCK_SIZE, "hbin");
    put32(image, BASE_BLOCK_SIZE + 4, 0);  // offset of this bin from the first
    put32(image, BASE_BLOCK_SIZE + 8, BIN_SIZE);
}

// The root key cell at hive offset `at`; returns its cell size.
std::size_t writeRootKey(Bytes& image, std::uint32_t at, std::uint32_t securityOffset) {
    const std::size_t cell = BASE_BLOCK_SIZE + at;
    const std::size_t size = aligned8(4 + NK_FIXED_SIZE + std::strlen(ROOT_NAME));
    putUsedCellSize(image, cell, size);
    const std::size_t nk = cell + 4;
    putText(image, nk, "nk");
    put16(image, nk + 0x02, ROOT_FLAGS);
    put32(image, nk + 0x1C, NO_CELL);  // subkey list
    put32(image, nk + 0x20, NO_CELL);  // volatile subkey list
    put32(image, nk + 0x28, NO_CELL);  // value list
    put32(image, nk + 0x2C, securityOffset);
    put32(image, nk + 0x30, NO_CELL);  // class name
    put16(image, nk + 0x48, static_cast<std::uint16_t>(std::strlen(ROOT_NAME)));
    putText(image, nk + NK_FIXED_SIZE, ROOT_NAME);
    return size;
}

// The security cell at hive offset `at`, shared by every key; returns its cell size.
std::size_t writeSecurity(Bytes& image, std::uint32_t at) {
    const std::size_t cell = BASE_BLOCK_SIZE + at;
    const std::size_t size = aligned8(4 + SK_FIXED_SIZE + DESCRIPTOR_SIZE);
    putUsedCellSize(image, cell, size);
    const std::size_t sk = cell + 4;
    putText(image, sk, "sk");
    put32(image, sk + 0x04, at);  // the only sk cell links to itself both ways
    put32(image, sk + 0x08, at);
    put32(image, sk + 0x0C, 1);   // reference count: the root key
    put32(image, sk + 0x10, DESCRIPTOR_SIZE);
    image[sk + SK_FIXED_SIZE] = 1;  // descriptor revision
    put16(image, sk + SK_FIXED_SIZE + 2, SELF_RELATIVE);
    return size;
}

}  // namespace

Bytes emptyHive() {
    Bytes image(EMPTY_HIVE_SIZE, 0);
    const std::uint32_t rootOffset = BIN_HEADER_SIZE;
    const std::uint32_t securityOffset =
        rootOffset + static_cast<std::uint32_t>(aligned8(4 + NK_FIXED_SIZE + std::strlen(ROOT_NAME)));
    writeBinHeader(image);
    writeRootKey(image, rootOffset, securityOffset);
    const std::uint32_t freeOffset = securityOffset + static_cast<std::uint32_t>(writeSecurity(image, securityOffset));
    put32(image, BASE_BLOCK_SIZE + freeOffset, static_cast<std::uint32_t>(BIN_SIZE - freeOffset));  // free cell
    writeBaseBlock(image, rootOffset);
    return image;
}

}  // namespace kelvane::test
