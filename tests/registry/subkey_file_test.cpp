// ReadSubKeysInFile: the list, or "(null)", appended to a text file; the result is 0.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <thread>
#include <vector>

#include "listing_test_helpers.h"
#include "platform/file_system.h"
#include "registry/appended_text.h"
#include "registry/registry_exports.h"

namespace kelvane::test {
namespace {

class SubKeyFile : public ::testing::Test {
protected:
    RegistryFixture registry;
    ScratchFolder folder;
    std::string file = folder.path("names.txt");

    std::string contents() {
        const Bytes bytes = readFile(file);
        return std::string(bytes.begin(), bytes.end());
    }
};

TEST_F(SubKeyFile, CreatesAMissingFileWithTheList) {
    createSubKeys(registry, registry.keyPath("AB"), {"A", "B"});
    EXPECT_EQ(ReadSubKeysInFile(registry.keyPath("AB").c_str(), file.c_str()), 0);
    EXPECT_EQ(contents(), "A,B");
}

TEST_F(SubKeyFile, TwoAppendsRunTogetherOnOneLine) {
    createSubKeys(registry, registry.keyPath("AB"), {"A", "B"});
    createSubKeys(registry, registry.keyPath("C"), {"C"});
    EXPECT_EQ(ReadSubKeysInFile(registry.keyPath("AB").c_str(), file.c_str()), 0);
    EXPECT_EQ(ReadSubKeysInFile(registry.keyPath("C").c_str(), file.c_str()), 0);
    EXPECT_EQ(contents(), "A,BC");
}

TEST_F(SubKeyFile, KeyWithoutSubKeysAppendsNullText) {
    registry.createKey(registry.keyPath("Leaf"));
    writeFile(file, textBytes("before\r\n", false));
    EXPECT_EQ(ReadSubKeysInFile(registry.keyPath("Leaf").c_str(), file.c_str()), 0);
    EXPECT_EQ(contents(), "before\r\n(null)");
}

TEST_F(SubKeyFile, MissingPathAppendsNullText) {
    EXPECT_EQ(ReadSubKeysInFile(registry.keyPath("Missing").c_str(), file.c_str()), 0);
    EXPECT_EQ(contents(), "(null)");
}

TEST_F(SubKeyFile, OneTrailingEndMarkIsRemoved) {
    createSubKeys(registry, registry.keyPath("C"), {"C"});
    writeFile(file, fromHex("61 62 1A"));
    EXPECT_EQ(ReadSubKeysInFile(registry.keyPath("C").c_str(), file.c_str()), 0);
    EXPECT_EQ(toHex(readFile(file)), toHex(fromHex("61 62 43")));
    writeFile(file, fromHex("1A 61 1A 1A"));
    EXPECT_EQ(ReadSubKeysInFile(registry.keyPath("C").c_str(), file.c_str()), 0);
    EXPECT_EQ(toHex(readFile(file)), toHex(fromHex("1A 61 1A 43")));
}

// An empty list (a damaged hive's key whose one subkey has no name) still creates the
// file, as an append does, and changes nothing in an existing one.
TEST_F(SubKeyFile, EmptyTextCreatesTheFileAndLeavesContentsAlone) {
    EXPECT_TRUE(appendText(file.c_str(), ""));
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(contents(), "");
    writeFile(file, fromHex("61 1A"));
    EXPECT_TRUE(appendText(file.c_str(), ""));
    EXPECT_EQ(toHex(readFile(file)), toHex(fromHex("61 1A")));
}

TEST_F(SubKeyFile, EndMarkAloneGivesWayToTheText) {
    writeFile(file, fromHex("1A"));
    EXPECT_EQ(ReadSubKeysInFile(registry.keyPath("Missing").c_str(), file.c_str()), 0);
    EXPECT_EQ(contents(), "(null)");
}

TEST_F(SubKeyFile, LineBreaksAreWrittenAsTheyAreAndNoneAdded) {
    createSubKeys(registry, registry.keyPath("C"), {"C"});
    writeFile(file, textBytes("x\n", false));
    EXPECT_EQ(ReadSubKeysInFile(registry.keyPath("C").c_str(), file.c_str()), 0);
    EXPECT_EQ(toHex(readFile(file)), toHex(textBytes("x\nC", false)));
}

TEST_F(SubKeyFile, FileInMissingFolderWritesNothing) {
    createSubKeys(registry, registry.keyPath("C"), {"C"});
    const std::string lost = folder.path("no-such-folder/names.txt");
    EXPECT_EQ(ReadSubKeysInFile(registry.keyPath("C").c_str(), lost.c_str()), 0);
    EXPECT_FALSE(fileExists(lost));
    EXPECT_TRUE(listFolder(folder.root()).empty());
}

TEST_F(SubKeyFile, NullFilePathWritesNothing) {
    createSubKeys(registry, registry.keyPath("C"), {"C"});
    EXPECT_EQ(ReadSubKeysInFile(registry.keyPath("C").c_str(), nullptr), 0);
    EXPECT_EQ(ReadSubKeysInFile(nullptr, nullptr), 0);
    EXPECT_TRUE(listFolder(folder.root()).empty());
}

TEST_F(SubKeyFile, ReadOnlyFileIsLeftAsItWas) {
    writeFile(file, textBytes("kept", false));
    std::filesystem::permissions(file, std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                           std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    if (std::FILE* probe = std::fopen(file.c_str(), "rb+")) {
        std::fclose(probe);
        GTEST_SKIP() << "this user may write read-only files";
    }
    EXPECT_EQ(ReadSubKeysInFile(registry.keyPath("Missing").c_str(), file.c_str()), 0);
    EXPECT_EQ(contents(), "kept");
}

TEST_F(SubKeyFile, FolderInPlaceOfTheFileWritesNothing) {
    EXPECT_EQ(ReadSubKeysInFile(registry.keyPath("Missing").c_str(), folder.root().c_str()), 0);
    EXPECT_TRUE(listFolder(folder.root()).empty());
}

// Each file call the append makes, failing as the platform's would: the append reports
// it (a failing close has already written, and reports it too).
struct AppendFault {
    const char* call;
    void (*inject)(platform::FileSystem& files);
    bool keepsContents;
};
const AppendFault APPEND_FAULTS[] = {
    {"openOrCreate", [](platform::FileSystem& f) { f.openOrCreate = [](const char*) { return platform::NO_FILE; }; }, true},
    {"tryLock",
     [](platform::FileSystem& f) { f.tryLock = [](platform::FileHandle) { return platform::LockAttempt::Failed; }; },
     true},
    {"size", [](platform::FileSystem& f) { f.size = [](platform::FileHandle) -> std::int64_t { return -1; }; }, true},
    {"read",
     [](platform::FileSystem& f) {
         f.read = [](platform::FileHandle, std::int64_t, std::uint8_t*, std::size_t) -> std::int64_t { return -1; };
     },
     true},
    {"write",
     [](platform::FileSystem& f) {
         f.write = [](platform::FileHandle, std::int64_t, const std::uint8_t*, std::size_t) { return false; };
     },
     true},
    {"close",
     [](platform::FileSystem& f) {
         f.close = [](platform::FileHandle file) {
             platform::platformFileSystem().close(file);
             return false;
         };
     },
     false},
};

TEST_F(SubKeyFile, AFailingFileCallFailsTheAppend) {
    for (const AppendFault& fault : APPEND_FAULTS) {
        writeFile(file, fromHex("61 62 1A"));
        fault.inject(platform::fileSystem());
        const bool appended = appendText(file.c_str(), "C");
        platform::fileSystem() = platform::platformFileSystem();
        EXPECT_FALSE(appended) << fault.call;
        EXPECT_EQ(toHex(readFile(file)), fault.keepsContents ? "61621A" : "616243") << fault.call;
    }
}

// Appends from several threads at once, each through an open of its own, as processes
// make them: every text lands whole at the end, exactly once, and the first one takes
// the place of the end mark.
constexpr int APPENDING_THREADS = 4;
constexpr int APPENDS_EACH = 200;

TEST_F(SubKeyFile, AppendsAtOnceEachLandWholeAtTheEnd) {
    writeFile(file, fromHex("61 62 1A"));
    std::vector<std::thread> threads;
    for (int thread = 0; thread < APPENDING_THREADS; ++thread) {
        threads.emplace_back([this, thread] {
            for (int i = 0; i < APPENDS_EACH; ++i) {
                appendText(file.c_str(), ("<" + std::to_string(thread) + ":" + std::to_string(i) + ">").c_str());
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    const std::string text = contents();
    ASSERT_EQ(text.substr(0, 2), "ab");
    std::map<std::string, int> seen;
    for (std::size_t at = 2; at < text.size();) {
        const std::size_t end = text.find('>', at);
        if (text[at] != '<' || end == std::string::npos) break;
        ++seen[text.substr(at, end + 1 - at)];
        at = end + 1;
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(APPENDING_THREADS * APPENDS_EACH));
    for (const auto& [listing, count] : seen) EXPECT_EQ(count, 1) << listing;
}

}  // namespace
}  // namespace kelvane::test
