// Checks that the file tests of both platforms share: the two calls that rewrite a file,
// no journal left in any of a file's journal places, test names from table rows, and the
// refusals of unwritable files.
#pragma once
#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "container_check.h"
#include "crypt/file_crypt.h"
#include "crypt/module_rand.h"
#include "platform/file_rewrite.h"
#include "platform/file_system.h"

namespace kelvane::test {

// A call that rewrites a file through the shared rewrite, and its result when done.
struct FileCall {
    const char* name;
    int (*call)(const char* path);
    int done;
};

// cryptFile turns contents into a container; decryptFile turns the container back.
inline const FileCall FILE_CALLS[] = {
    {"cryptFile", cryptFile, FILE_ENCRYPTED},
    {"decryptFile", decryptFile, FILE_RESTORED},
};

inline bool decrypts(const FileCall& call) { return call.call == decryptFile; }

inline void PrintTo(const FileCall& call, std::ostream* out) { *out << call.name; }

// Writes at `path` what `call` takes for `contents`: the contents themselves, or their
// container. Returns those bytes.
inline Bytes writeInput(const FileCall& call, const std::string& path, const Bytes& contents) {
    writeFile(path, contents);
    if (decrypts(call)) {
        EXPECT_EQ(cryptFile(path.c_str()), FILE_ENCRYPTED);
    }
    return readFile(path);
}

// True when `now` is what `call` makes of `contents` when it is done.
inline bool isFinished(const FileCall& call, const Bytes& contents, const Bytes& now) {
    return decrypts(call) ? now == restoredFrom(contents) : isContainerOf(contents, now);
}

// The full paths of the journal places of the file at `path`.
inline std::vector<std::string> journalPaths(const std::string& path) {
    char names[platform::JOURNAL_PLACES][platform::PATH_CAPACITY];
    const int count = platform::journalPaths(path.c_str(), names);
    return std::vector<std::string>(names, names + count);
}

inline void expectNoJournal(const std::string& path) {
    for (const std::string& name : journalPaths(path)) EXPECT_FALSE(fileExists(name)) << name;
}

// What a call that gave 2 leaves: the whole output (read from the file at `path` right
// after the call), also under the file's other name (`otherName`, "" for none), and
// nothing beside the file nor in its journal places.
inline void expectOutputAndNothingLeft(const FileCall& call, const Bytes& contents, const Bytes& output,
                                       const std::string& path, const std::vector<std::string>& namesBefore,
                                       const std::string& otherName) {
    EXPECT_TRUE(isFinished(call, contents, output)) << call.name;
    if (!otherName.empty()) {
        EXPECT_TRUE(readFile(otherName) == output) << "the other name shows the output";
    }
    const std::string folder = path.substr(0, path.find_last_of("/\\"));
    EXPECT_EQ(listFolder(folder), namesBefore) << "a file was left beside it";
    expectNoJournal(path);
}

// A table row's name with only its letters and digits, as googletest wants it.
inline std::string rowName(const char* name) {
    std::string kept;
    for (const char* at = name; *at != '\0'; ++at) {
        if (std::isalnum(static_cast<unsigned char>(*at))) kept += *at;
    }
    return kept;
}

// A plain file and a container, each made unwritable by a `Guard` (whose holds() says
// whether it could). cryptFile: -2 for the plain file (the key drawn all the same), -1 for
// the container. decryptFile: 1 for the plain file, -2 for the container, no key drawn.
// Both files keep their bytes, and nothing is left beside them.
template <class Guard>
void expectUnwritableRefusals() {
    ScratchFolder folder;
    std::mt19937 generator{7};
    const std::string plain = folder.path("read-only");
    const std::string container = folder.path("read-only-container");
    const Bytes contents = randomBytes(generator, 90);
    writeFile(plain, contents);
    writeFile(container, randomBytes(generator, 40));
    ASSERT_EQ(cryptFile(container.c_str()), FILE_ENCRYPTED);
    const Bytes containerBytes = readFile(container);
    Guard plainGuard(plain);
    Guard containerGuard(container);
    if (!plainGuard.holds() || !containerGuard.holds()) GTEST_SKIP() << "the file cannot be made unwritable here";
    const std::uint32_t before = moduleRandState();
    EXPECT_EQ(cryptFile(plain.c_str()), FILE_CANNOT_WRITE);
    EXPECT_NE(moduleRandState(), before) << "the key is drawn before the write check";
    EXPECT_EQ(cryptFile(container.c_str()), FILE_CANNOT_READ);
    const std::uint32_t beforeDecrypting = moduleRandState();
    EXPECT_EQ(decryptFile(plain.c_str()), FILE_NOT_CONTAINER);
    EXPECT_EQ(decryptFile(container.c_str()), FILE_CANNOT_WRITE);
    EXPECT_EQ(moduleRandState(), beforeDecrypting);
    EXPECT_EQ(readFile(plain), contents);
    EXPECT_EQ(readFile(container), containerBytes);
    EXPECT_EQ(listFolder(folder.root()).size(), 2u);
}

}  // namespace kelvane::test
