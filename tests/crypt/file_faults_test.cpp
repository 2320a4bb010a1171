// Every file-system operation made to fail, at each of its calls in turn: the file being
// enciphered keeps its bytes, the result is negative, and no temporary file is left.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "container_check.h"
#include "crypt/container_writer.h"
#include "crypt/file_crypt.h"
#include "platform/file_system.h"

namespace kelvane::test {
namespace {

using platform::FileHandle;
using platform::FileSystem;
using platform::NO_FILE;
using platform::platformFileSystem;

// The kinds of operation a failure is injected into; the three ways of opening count as one.
enum class Operation { Open, Read, Write, Flush, Sync, Replace, Close };

const char* operationName(Operation operation) {
    static const char* const names[] = {"open", "read", "write", "flush", "sync", "replace", "close"};
    return names[static_cast<int>(operation)];
}

// Which call fails: the `failAt`-th call of `operation` (0: none) since the last reset.
struct Injection {
    Operation operation = Operation::Open;
    int failAt = 0;
    int calls = 0;
};
Injection injection;

bool failsNow(Operation operation) {
    if (operation != injection.operation) return false;
    return ++injection.calls == injection.failAt;
}

const FileSystem& real() { return platformFileSystem(); }

// Each wrapper fails the way the platform would, after doing what a failing call may
// already have done (a write puts half its bytes down, a close still releases the handle).
FileHandle openReadOrFail(const char* path) { return failsNow(Operation::Open) ? NO_FILE : real().openRead(path); }
bool checkWritableOrFail(const char* path) { return !failsNow(Operation::Open) && real().checkWritable(path); }
FileHandle createTempOrFail(const char* target, char tempPath[platform::PATH_CAPACITY]) {
    return failsNow(Operation::Open) ? NO_FILE : real().createTemp(target, tempPath);
}
std::int64_t readOrFail(FileHandle file, std::int64_t offset, std::uint8_t* buffer, std::size_t count) {
    return failsNow(Operation::Read) ? -1 : real().read(file, offset, buffer, count);
}
bool writeOrFail(FileHandle file, const std::uint8_t* bytes, std::size_t count) {
    if (!failsNow(Operation::Write)) return real().write(file, bytes, count);
    real().write(file, bytes, count / 2);
    return false;
}
bool flushOrFail(FileHandle file) { return !failsNow(Operation::Flush) && real().flush(file); }
bool syncOrFail(const char* path) { return !failsNow(Operation::Sync) && real().sync(path); }
platform::ReplaceOutcome replaceOrFail(const char* target, const char* replacement) {
    if (failsNow(Operation::Replace)) return platform::ReplaceOutcome::Unchanged;
    return real().replace(target, replacement);
}
bool closeOrFail(FileHandle file) {
    const bool closed = real().close(file);
    return !failsNow(Operation::Close) && closed;
}

class FileFaults : public ::testing::Test {
protected:
    ScratchFolder folder;
    std::mt19937 generator{11};
    // A small file, then one of two blocks, so that reads and writes repeat.
    const std::string firstPath = folder.path("first");
    const std::string secondPath = folder.path("second");
    Bytes firstContents;
    Bytes secondContents;

    void SetUp() override {
        FileSystem& files = platform::fileSystem();
        files.openRead = openReadOrFail;
        files.checkWritable = checkWritableOrFail;
        files.createTemp = createTempOrFail;
        files.read = readOrFail;
        files.write = writeOrFail;
        files.flush = flushOrFail;
        files.sync = syncOrFail;
        files.replace = replaceOrFail;
        files.close = closeOrFail;
        firstContents = randomBytes(generator, 100);
        secondContents = randomBytes(generator, CONTAINER_BLOCK_SIZE + 50);
    }
    void TearDown() override {
        platform::fileSystem() = platformFileSystem();
        injection = Injection{};
    }

    void writeBoth() {
        writeFile(firstPath, firstContents);
        writeFile(secondPath, secondContents);
    }

    // Calls of `operation` that enciphering both files makes when nothing fails.
    int callsWithoutFailure(Operation operation) {
        writeBoth();
        injection = Injection{operation, 0, 0};
        EXPECT_EQ(cryptFile(firstPath.c_str()), FILE_ENCRYPTED);
        EXPECT_EQ(cryptFile(secondPath.c_str()), FILE_ENCRYPTED);
        return injection.calls;
    }

    // Fails call `failAt`; the file whose turn it was must come through untouched.
    void failCall(Operation operation, int failAt) {
        writeBoth();
        injection = Injection{operation, failAt, 0};
        const int first = cryptFile(firstPath.c_str());
        const bool failedOnFirst = injection.calls >= failAt;
        const int second = failedOnFirst ? 0 : cryptFile(secondPath.c_str());
        const std::string where = std::string(operationName(operation)) + " call " + std::to_string(failAt);
        if (failedOnFirst) {
            EXPECT_LT(first, 0) << where;
            EXPECT_EQ(readFile(firstPath), firstContents) << where;
        } else {
            EXPECT_EQ(first, FILE_ENCRYPTED) << where;
            EXPECT_LT(second, 0) << where;
            EXPECT_TRUE(readFile(secondPath) == secondContents) << where << ": the second file changed";
        }
        std::vector<std::string> names = listFolder(folder.root());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"first", "second"})) << where << ": a temporary file was left";
    }

    void failEveryCall(Operation operation) {
        const int calls = callsWithoutFailure(operation);
        ASSERT_GE(calls, 2) << operationName(operation) << " must be called at least once per file";
        for (int failAt = 1; failAt <= calls; ++failAt) failCall(operation, failAt);
    }
};

TEST_F(FileFaults, Open) { failEveryCall(Operation::Open); }
TEST_F(FileFaults, Read) { failEveryCall(Operation::Read); }
TEST_F(FileFaults, Write) { failEveryCall(Operation::Write); }
TEST_F(FileFaults, Flush) { failEveryCall(Operation::Flush); }
TEST_F(FileFaults, Sync) { failEveryCall(Operation::Sync); }
TEST_F(FileFaults, Replace) { failEveryCall(Operation::Replace); }
TEST_F(FileFaults, Close) { failEveryCall(Operation::Close); }

TEST_F(FileFaults, AFailedWriteReportsMinusThree) {
    writeBoth();
    injection = Injection{Operation::Write, 1, 0};
    EXPECT_EQ(cryptFile(firstPath.c_str()), FILE_WRITE_FAILED);
}

TEST_F(FileFaults, AFailedWriteCheckReportsMinusTwo) {
    writeBoth();
    injection = Injection{Operation::Open, 2, 0};  // the read opening, then the write check
    EXPECT_EQ(cryptFile(firstPath.c_str()), FILE_CANNOT_WRITE);
}

// A writer elsewhere appends to the file while it is being enciphered.
std::string growingPath;
std::int64_t readWhileGrowing(FileHandle file, std::int64_t offset, std::uint8_t* buffer, std::size_t count) {
    if (offset > 0 && !growingPath.empty()) {
        Bytes grown = readFile(growingPath);
        grown.push_back(0x5A);
        writeFile(growingPath, grown);
        growingPath.clear();
    }
    return real().read(file, offset, buffer, count);
}

TEST_F(FileFaults, AFileThatGrowsMeanwhileKeepsItsNewEnd) {
    writeBoth();
    growingPath = secondPath;
    platform::fileSystem().read = readWhileGrowing;
    EXPECT_EQ(cryptFile(secondPath.c_str()), FILE_WRITE_FAILED);
    Bytes grown = secondContents;
    grown.push_back(0x5A);
    EXPECT_TRUE(readFile(secondPath) == grown);
}

}  // namespace
}  // namespace kelvane::test

namespace kelvane::test {
namespace {

// A replace that took the target away and could not put the replacement in its place.
platform::ReplaceOutcome replaceLosingTarget(const char* target, const char*) {
    platform::platformFileSystem().remove(target);
    return platform::ReplaceOutcome::TargetLost;
}

TEST_F(FileFaults, AReplaceThatLostTheTargetKeepsTheOnlyCopy) {
    writeBoth();
    platform::fileSystem().replace = replaceLosingTarget;
    EXPECT_EQ(cryptFile(firstPath.c_str()), FILE_WRITE_FAILED);
    std::vector<std::string> names = listFolder(folder.root());
    ASSERT_EQ(names.size(), 2u) << "the container under its temporary name must remain";
    const std::string kept = names[0] == "second" ? names[1] : names[0];
    EXPECT_EQ(readFile(folder.path(kept)).size(), 20u + 128u);
}

}  // namespace
}  // namespace kelvane::test
