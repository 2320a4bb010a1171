// cryptFile and POSIX file properties: permission bits, symbolic links, files the
// process cannot write.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <random>

#include "container_check.h"
#include "crypt/file_crypt.h"
#include "crypt/module_rand.h"

namespace kelvane::test {
namespace {

class FileCryptPosix : public ::testing::Test {
protected:
    ScratchFolder folder;
    std::mt19937 generator{5};
};

// Makes a file unwritable for this process for the life of the guard: mode 0444, and
// for root, whom modes do not stop, the immutable attribute where the file system has it.
class Unwritable {
public:
    explicit Unwritable(const std::string& path) : path_(path) {
        ::chmod(path.c_str(), 0444);
        if (::geteuid() == 0) immutable_ = std::system(("chattr +i '" + path + "' 2>/dev/null").c_str()) == 0;
    }
    ~Unwritable() {
        if (immutable_) [[maybe_unused]] const int undone = std::system(("chattr -i '" + path_ + "'").c_str());
    }
    bool holds() const { return ::access(path_.c_str(), W_OK) != 0 && (::geteuid() != 0 || immutable_); }

private:
    std::string path_;
    bool immutable_ = false;
};

TEST_F(FileCryptPosix, PermissionBitsAreKept) {
    const std::string path = folder.path("mode");
    writeFile(path, randomBytes(generator, 50));
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_EQ(cryptFile(path.c_str()), FILE_ENCRYPTED);
    struct stat status;
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
}

TEST_F(FileCryptPosix, ASymbolicLinkKeepsPointingAtItsTarget) {
    const std::string target = folder.path("target");
    const std::string link = folder.path("link");
    const Bytes contents = randomBytes(generator, 70);
    writeFile(target, contents);
    ASSERT_EQ(::symlink("target", link.c_str()), 0);
    ASSERT_EQ(cryptFile(link.c_str()), FILE_ENCRYPTED);
    struct stat status;
    ASSERT_EQ(::lstat(link.c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    expectContainerOf(contents, readFile(target));
}

TEST_F(FileCryptPosix, AnUnwritableFileGivesMinusTwoAndKeepsItsBytes) {
    const std::string path = folder.path("read-only");
    const Bytes contents = randomBytes(generator, 90);
    writeFile(path, contents);
    Unwritable guard(path);
    if (!guard.holds()) GTEST_SKIP() << "running as root on a file system without the immutable attribute";
    const std::uint32_t before = moduleRandState();
    EXPECT_EQ(cryptFile(path.c_str()), FILE_CANNOT_WRITE);
    EXPECT_EQ(readFile(path), contents);
    EXPECT_NE(moduleRandState(), before) << "the key is drawn before the write check";
    EXPECT_EQ(listFolder(folder.root()).size(), 1u);
}

TEST_F(FileCryptPosix, AnUnwritableContainerGivesMinusOne) {
    const std::string path = folder.path("read-only-container");
    writeFile(path, randomBytes(generator, 40));
    ASSERT_EQ(cryptFile(path.c_str()), FILE_ENCRYPTED);
    const Bytes container = readFile(path);
    Unwritable guard(path);
    if (!guard.holds()) GTEST_SKIP() << "running as root on a file system without the immutable attribute";
    EXPECT_EQ(cryptFile(path.c_str()), FILE_CANNOT_READ);
    EXPECT_EQ(readFile(path), container);
}

}  // namespace
}  // namespace kelvane::test

namespace kelvane::test {
namespace {

// Opening a FIFO for reading waits for a writer: the call must refuse it, not hang.
TEST(FileCryptPosixSpecialFiles, AFifoOrAFolderGivesMinusOneAtOnce) {
    ScratchFolder folder;
    const std::string fifo = folder.path("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(cryptFile(fifo.c_str()), FILE_CANNOT_READ);
    EXPECT_EQ(cryptFile(folder.root().c_str()), FILE_CANNOT_READ);
    EXPECT_EQ(listFolder(folder.root()), std::vector<std::string>{"pipe"});
}

}  // namespace
}  // namespace kelvane::test
