// cryptFile on real files: the container's exact bytes for every size class, the keys
// it draws, the header test on a second call, and bad paths.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "cipher/cipher.h"
#include "container_check.h"
#include "crypt/container_writer.h"
#include "crypt/file_crypt.h"
#include "crypt/module_rand.h"

namespace kelvane::test {
namespace {

// Sizes around every boundary: the header, the 32-byte fill, an engine chunk, a block.
const std::size_t containerSizes[] = {
    0,  1,  19,  20, 31, 32, 33, 64, CHUNK_LIMIT - 1, CHUNK_LIMIT, CHUNK_LIMIT + 1, 3 * CHUNK_LIMIT + 7,
    CONTAINER_BLOCK_SIZE - 1, CONTAINER_BLOCK_SIZE, CONTAINER_BLOCK_SIZE + 1, 2 * CONTAINER_BLOCK_SIZE + 100,
};

class FileCryptTest : public ::testing::Test {
protected:
    ScratchFolder folder;
    std::mt19937 generator{3};

    std::string plainFile(const std::string& name, std::size_t size) {
        const std::string path = folder.path(name);
        writeFile(path, randomBytes(generator, size));
        return path;
    }
};

TEST_F(FileCryptTest, ContainersOfEverySize) {
    for (std::size_t size : containerSizes) {
        const std::string path = plainFile("plain.bin", size);
        const Bytes contents = readFile(path);
        const std::uint32_t before = moduleRandState();
        ASSERT_EQ(cryptFile(path.c_str()), FILE_ENCRYPTED) << size << " bytes";
        const Bytes container = readFile(path);
        expectContainerOf(contents, container);
        EXPECT_EQ(toHex(keyBytes(openContainer(container).key)), toHex(keyAfterState(before))) << size << " bytes";
    }
    EXPECT_EQ(listFolder(folder.root()).size(), 1u) << "a temporary file was left";
}

TEST_F(FileCryptTest, SuccessiveFilesGetSuccessiveKeys) {
    const Bytes same = randomBytes(generator, 100);
    const std::string first = folder.path("first");
    const std::string second = folder.path("second");
    writeFile(first, same);
    writeFile(second, same);
    const std::uint32_t before = moduleRandState();
    ASSERT_EQ(cryptFile(first.c_str()), FILE_ENCRYPTED);
    ASSERT_EQ(cryptFile(second.c_str()), FILE_ENCRYPTED);
    std::uint32_t state = before;
    for (int draw = 0; draw < 16; ++draw) state = state * 214013u + 2531011u;
    EXPECT_EQ(toHex(keyBytes(openContainer(readFile(first)).key)), toHex(keyAfterState(before)));
    EXPECT_EQ(toHex(keyBytes(openContainer(readFile(second)).key)), toHex(keyAfterState(state)));
    EXPECT_NE(readFile(first), readFile(second));
}

TEST_F(FileCryptTest, ASecondCallLeavesTheContainerAsItIs) {
    const std::string path = plainFile("twice", 1000);
    ASSERT_EQ(cryptFile(path.c_str()), FILE_ENCRYPTED);
    const Bytes container = readFile(path);
    const std::uint32_t before = moduleRandState();
    EXPECT_EQ(cryptFile(path.c_str()), FILE_ALREADY);
    EXPECT_EQ(readFile(path), container);
    EXPECT_EQ(moduleRandState(), before) << "a kept file draws no key";
}

TEST_F(FileCryptTest, SplitCheckLayoutIsKeptWithoutDrawing) {
    // Passes the header test in its older layout; the rest is arbitrary.
    Bytes contents = fromHex("AD6DFDAFE593253CD654AF4DFAD71427A0AE62D6");
    const Bytes tail = randomBytes(generator, 45);
    contents.insert(contents.end(), tail.begin(), tail.end());
    const std::string path = folder.path("split");
    writeFile(path, contents);
    const std::uint32_t before = moduleRandState();
    EXPECT_EQ(cryptFile(path.c_str()), FILE_ALREADY);
    EXPECT_EQ(readFile(path), contents);
    EXPECT_EQ(moduleRandState(), before);
}

TEST_F(FileCryptTest, AShortFileIsNeverTakenForAContainer) {
    // The first 19 bytes of a header are no header.
    const std::string whole = plainFile("whole", 10);
    ASSERT_EQ(cryptFile(whole.c_str()), FILE_ENCRYPTED);
    Bytes shortened = readFile(whole);
    shortened.resize(HEADER_SIZE - 1);
    const std::string path = folder.path("short");
    writeFile(path, shortened);
    ASSERT_EQ(cryptFile(path.c_str()), FILE_ENCRYPTED);
    expectContainerOf(shortened, readFile(path));
}

TEST_F(FileCryptTest, ARelativePathWorks) {
    const std::string path = plainFile("relative.txt", 77);
    const Bytes contents = readFile(path);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.root());
    const int result = cryptFile("relative.txt");
    std::filesystem::current_path(previous);
    ASSERT_EQ(result, FILE_ENCRYPTED);
    expectContainerOf(contents, readFile(path));
    EXPECT_EQ(listFolder(folder.root()).size(), 1u);
}

TEST_F(FileCryptTest, MissingPathsAndNullGiveMinusOneAndCreateNothing) {
    const std::uint32_t before = moduleRandState();
    EXPECT_EQ(cryptFile(nullptr), FILE_CANNOT_READ);
    EXPECT_EQ(cryptFile(""), FILE_CANNOT_READ);
    EXPECT_EQ(cryptFile(folder.path("missing").c_str()), FILE_CANNOT_READ);
    EXPECT_EQ(cryptFile(folder.path("no-folder/missing").c_str()), FILE_CANNOT_READ);
    EXPECT_EQ(cryptFile(folder.root().c_str()), FILE_CANNOT_READ) << "a folder is no file";
    EXPECT_TRUE(listFolder(folder.root()).empty());
    EXPECT_EQ(moduleRandState(), before);
}

}  // namespace
}  // namespace kelvane::test
