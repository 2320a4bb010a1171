// A sparse file just over 4 GiB enciphered through the library loaded by path, as a host
// calls it: 64-bit sizes and offsets end to end, also from the 32-bit DLL.
#include <gtest/gtest.h>

#include <random>

#include "crypt/container_check.h"
#include "crypt/file_crypt.h"
#include "kelvane.h"
#include "library_loader.h"
#include "support/sparse_file.h"

namespace kelvane::test {
namespace {

using CryptFileExport = int(KELVANE_CALL*)(const char*);

// Past 4 GiB by a few blocks and an odd remainder, so the last block is zero-filled.
constexpr std::int64_t LARGE_SIZE = (std::int64_t{1} << 32) + 3 * 4096 + 37;
constexpr std::size_t HEAD_SIZE = 96;   // random bytes at the start
constexpr std::size_t TAIL_SIZE = 200;  // random bytes at the end
constexpr std::int64_t FOUR_GIB = std::int64_t{1} << 32;

// Deciphers the payload bytes [plainOffset, plainOffset + count) of the container;
// plainOffset and count are multiples of 8.
Bytes decipheredPayload(const std::string& path, const FileKey& key, std::int64_t plainOffset, std::size_t count) {
    Bytes bytes = readAt(path, static_cast<std::int64_t>(HEADER_SIZE) + plainOffset, count);
    decryptChunked(bytes.data(), bytes.size(), key.bytes);
    return bytes;
}

TEST(LargeFile, OverFourGibThroughTheLoadedLibrary) {
    ScratchFolder folder;
    std::mt19937 generator(4);
    const Bytes head = randomBytes(generator, HEAD_SIZE);
    const Bytes tail = randomBytes(generator, TAIL_SIZE);
    const std::string path = folder.path("large.bin");
    makeSparseFile(path, LARGE_SIZE, head, tail);

    tools::LoadedLibrary library(libraryPath());
    ASSERT_TRUE(library.loaded()) << library.error();
    auto call = reinterpret_cast<CryptFileExport>(library.symbol("cryptFile"));
    ASSERT_NE(call, nullptr);
    ASSERT_EQ(call(path.c_str()), KELVANE_FILE_ENCRYPTED);

    const std::int64_t padded = (LARGE_SIZE + 31) / 32 * 32;
    ASSERT_EQ(fileSize64(path), static_cast<std::int64_t>(HEADER_SIZE) + padded);
    const OpenedContainer opened = openContainer(readAt(path, 0, HEADER_SIZE));
    EXPECT_EQ(opened.check, crc32(opened.key.bytes, FILE_KEY_SIZE));

    EXPECT_EQ(toHex(decipheredPayload(path, opened.key, 0, HEAD_SIZE)), toHex(head)) << "first block";
    EXPECT_EQ(toHex(decipheredPayload(path, opened.key, FOUR_GIB - 64, 128)), toHex(Bytes(128, 0)))
        << "the blocks around 4 GiB";

    // The last 128 bytes: the end of the tail, then the zero fill.
    const std::int64_t lastOffset = padded - 128;
    Bytes expectedLast(tail.end() - (LARGE_SIZE - lastOffset), tail.end());
    expectedLast.resize(128, 0);
    EXPECT_EQ(toHex(decipheredPayload(path, opened.key, lastOffset, 128)), toHex(expectedLast)) << "last block";
    EXPECT_EQ(listFolder(folder.root()).size(), 1u) << "a temporary file was left";
}

}  // namespace
}  // namespace kelvane::test
