// cryptFile and decryptFile through the library loaded by path, as a host calls them:
// every load starts the generator afresh, so the first file after a load always gets the
// same key, and deciphering between two files leaves the keys' sequence as it was.
#include <gtest/gtest.h>

#include <random>

#include "container_check.h"
#include "crypt/file_crypt.h"
#include "crypt/module_rand.h"
#include "exports/export_table.h"
#include "kelvane.h"
#include "library_loader.h"

namespace kelvane::test {
namespace {

using FileExport = int(KELVANE_CALL*)(const char*);

// Loads the library, enciphers the files in order (each deciphered again at once),
// unloads it; the keys drawn.
std::vector<Bytes> keysOfOneLoad(const ScratchFolder& folder, const Bytes& contents, int files) {
    tools::LoadedLibrary library(libraryPath());
    EXPECT_TRUE(library.loaded()) << library.error();
    auto call = reinterpret_cast<FileExport>(library.symbol("cryptFile"));
    auto decrypt = reinterpret_cast<FileExport>(library.symbol("decryptFile"));
    if (call == nullptr || decrypt == nullptr) return {};
    std::vector<Bytes> keys;
    for (int i = 0; i < files; ++i) {
        const std::string path = folder.path("file" + std::to_string(i));
        writeFile(path, contents);
        EXPECT_EQ(call(path.c_str()), KELVANE_FILE_ENCRYPTED);
        const Bytes container = readFile(path);
        expectContainerOf(contents, container);
        keys.push_back(keyBytes(openContainer(container).key));
        EXPECT_EQ(decrypt(path.c_str()), KELVANE_FILE_RESTORED);
        EXPECT_EQ(readFile(path), restoredFrom(contents));
    }
    return keys;
}

TEST(FileLoadedLibrary, EveryLoadStartsFromTheSameKeys) {
    ScratchFolder folder;
    std::mt19937 generator(8);
    const Bytes contents = randomBytes(generator, 500);
    const std::vector<Bytes> first = keysOfOneLoad(folder, contents, 3);
    const std::vector<Bytes> second = keysOfOneLoad(folder, contents, 3);
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first, second);
    EXPECT_EQ(toHex(first[0]), toHex(keyAfterState(MODULE_RAND_SEED)));
    EXPECT_EQ(toHex(first[1]), toHex(keyAfterState(stateAfterKey(MODULE_RAND_SEED)))) << "decryptFile drew";
    EXPECT_NE(first[0], first[1]);
}

TEST(FileLoadedLibrary, ResultsThroughTheExport) {
    ScratchFolder folder;
    tools::LoadedLibrary library(libraryPath());
    ASSERT_TRUE(library.loaded()) << library.error();
    auto call = reinterpret_cast<FileExport>(library.symbol("cryptFile"));
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call(nullptr), KELVANE_FILE_CANNOT_READ);
    EXPECT_EQ(call(folder.path("missing").c_str()), KELVANE_FILE_CANNOT_READ);
    const std::string path = folder.path("plain");
    writeFile(path, Bytes(40, 0x41));
    EXPECT_EQ(call(path.c_str()), KELVANE_FILE_ENCRYPTED);
    const Bytes container = readFile(path);
    EXPECT_EQ(call(path.c_str()), KELVANE_FILE_ALREADY);
    EXPECT_EQ(readFile(path), container);
}

}  // namespace
}  // namespace kelvane::test
