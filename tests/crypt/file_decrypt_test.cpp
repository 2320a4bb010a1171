// decryptFile on real files: cryptFile's containers back to their files, the files it
// must take for no container (a header only in the layout cryptFile never writes among
// them), and the key generator left alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "cipher/cipher.h"
#include "container_check.h"
#include "crypt/container_writer.h"
#include "crypt/file_crypt.h"
#include "crypt/module_rand.h"

namespace kelvane::test {
namespace {

// Every size to 100 (the header, the 32-byte fill, empty), then an engine chunk and a block.
std::vector<std::size_t> roundTripSizes() {
    std::vector<std::size_t> sizes;
    for (std::size_t size = 0; size <= 100; ++size) sizes.push_back(size);
    for (std::size_t size : {CHUNK_LIMIT + 1, CONTAINER_BLOCK_SIZE, CONTAINER_BLOCK_SIZE + 33}) sizes.push_back(size);
    return sizes;
}

class FileDecryptTest : public ::testing::Test {
protected:
    ScratchFolder folder;
    std::mt19937 generator{41};
    const std::string path = folder.path("file");

    // cryptFile's container of `contents` at `path`.
    Bytes writeContainer(const Bytes& contents) {
        writeFile(path, contents);
        EXPECT_EQ(cryptFile(path.c_str()), FILE_ENCRYPTED);
        return readFile(path);
    }
};

// Every third file ends in zero bytes of its own: those go with the fill. Every fifth
// is all zeros: a last block of zeros keeps one, since a fill is at most 31 bytes.
TEST_F(FileDecryptTest, ContainersOfEverySizeComeBack) {
    for (const std::size_t size : roundTripSizes()) {
        Bytes contents = randomBytes(generator, size);
        if (size > 0) contents.back() = size % 3 == 0 ? 0 : 0x5A;
        if (size % 5 == 1) contents.assign(size, 0);
        writeContainer(contents);
        const std::uint32_t before = moduleRandState();
        ASSERT_EQ(decryptFile(path.c_str()), FILE_RESTORED) << size << " bytes";
        const Bytes restored = readFile(path);
        ASSERT_TRUE(restored == restoredFrom(contents)) << size << " bytes";
        if (contents.empty() || contents.back() != 0 || size % FILL_UNIT == 1) {
            EXPECT_TRUE(restored == contents) << size << " bytes";
        }
        EXPECT_EQ(moduleRandState(), before) << "decryptFile draws no key";
    }
    EXPECT_EQ(listFolder(folder.root()), std::vector<std::string>{"file"}) << "a file was left";
}

TEST_F(FileDecryptTest, ZerosAtTheEndGoOnlyFromTheLastBlock) {
    Bytes contents(40, 0);
    contents[0] = 0x41;  // 64 bytes of payload: the first block keeps its zeros
    writeContainer(contents);
    ASSERT_EQ(decryptFile(path.c_str()), FILE_RESTORED);
    // The last block's zeros go but one: a fill is never a whole block.
    EXPECT_EQ(readFile(path), Bytes(contents.begin(), contents.begin() + 33));
}

// Files that are no container: each gives 1 and is left as it was, without a draw.
struct NotAContainer {
    const char* name;
    std::function<Bytes(const Bytes& container)> make;  // from a container of 50 bytes
};

Bytes withByteChanged(Bytes bytes, std::size_t at) {
    bytes[at] ^= 0x01;
    return bytes;
}

Bytes resized(Bytes bytes, std::size_t size) {
    bytes.resize(size, 0);
    return bytes;
}

const NotAContainer NOT_CONTAINERS[] = {
    {"empty", [](const Bytes&) { return Bytes(); }},
    {"the header without its last byte", [](const Bytes& c) { return resized(c, HEADER_SIZE - 1); }},
    {"a plain file", [](const Bytes& c) { return Bytes(c.rbegin(), c.rend()); }},
    {"a check value byte changed", [](const Bytes& c) { return withByteChanged(c, 1); }},
    {"one byte short", [](const Bytes& c) { return resized(c, c.size() - 1); }},
    {"one byte more", [](const Bytes& c) { return resized(c, c.size() + 1); }},
    {"a header only in the split layout", [](const Bytes& c) {
         Bytes bytes = c;
         const Bytes header = splitHeaderOf(openContainer(c).key);
         std::copy(header.begin(), header.end(), bytes.begin());
         return bytes;
     }},
    {"a split header with a length that fits no block", [](const Bytes& c) {
         Bytes bytes = splitHeaderOf(openContainer(c).key);
         bytes.resize(HEADER_SIZE + 33, 0x77);
         return bytes;
     }},
};

TEST_F(FileDecryptTest, WhatIsNoContainerGivesOneAndStaysAsItWas) {
    const Bytes container = writeContainer(randomBytes(generator, 50));
    for (const NotAContainer& row : NOT_CONTAINERS) {
        const Bytes bytes = row.make(container);
        writeFile(path, bytes);
        const std::uint32_t before = moduleRandState();
        EXPECT_EQ(decryptFile(path.c_str()), FILE_NOT_CONTAINER) << row.name;
        EXPECT_TRUE(readFile(path) == bytes) << row.name;
        EXPECT_EQ(moduleRandState(), before) << row.name;
    }
    EXPECT_EQ(listFolder(folder.root()), std::vector<std::string>{"file"}) << "a file was left";
}

}  // namespace
}  // namespace kelvane::test
