// cryptFile and the Windows read-only attribute.
#include <gtest/gtest.h>
#include <windows.h>

#include <random>

#include "container_check.h"
#include "crypt/file_crypt.h"
#include "crypt/module_rand.h"

namespace kelvane::test {
namespace {

class FileCryptWin32 : public ::testing::Test {
protected:
    ScratchFolder folder;
    std::mt19937 generator{6};
};

// Sets the read-only attribute for the life of the guard.
class ReadOnlyAttribute {
public:
    explicit ReadOnlyAttribute(const std::string& path) : path_(path) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    }
    ~ReadOnlyAttribute() { SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL); }

private:
    std::string path_;
};

TEST_F(FileCryptWin32, AReadOnlyFileGivesMinusTwoAndKeepsItsBytes) {
    const std::string path = folder.path("read-only");
    const Bytes contents = randomBytes(generator, 90);
    writeFile(path, contents);
    ReadOnlyAttribute guard(path);
    const std::uint32_t before = moduleRandState();
    EXPECT_EQ(cryptFile(path.c_str()), FILE_CANNOT_WRITE);
    EXPECT_EQ(readFile(path), contents);
    EXPECT_NE(moduleRandState(), before) << "the key is drawn before the write check";
    EXPECT_EQ(listFolder(folder.root()).size(), 1u);
}

TEST_F(FileCryptWin32, AReadOnlyContainerGivesMinusOne) {
    const std::string path = folder.path("read-only-container");
    writeFile(path, randomBytes(generator, 40));
    ASSERT_EQ(cryptFile(path.c_str()), FILE_ENCRYPTED);
    const Bytes container = readFile(path);
    ReadOnlyAttribute guard(path);
    EXPECT_EQ(cryptFile(path.c_str()), FILE_CANNOT_READ);
    EXPECT_EQ(readFile(path), container);
}

TEST_F(FileCryptWin32, AttributesAreKept) {
    const std::string path = folder.path("archived");
    writeFile(path, randomBytes(generator, 10));
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE));
    ASSERT_EQ(cryptFile(path.c_str()), FILE_ENCRYPTED);
    EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_ARCHIVE, 0u);
}

}  // namespace
}  // namespace kelvane::test
