// ReadSubKeysInFile appending to arbitrary existing file contents.
//
// Input: a steering byte picks the key path (HKLM itself, a hive that cannot be read, a
// missing hive, a path starting with a backslash) and whether the file exists at all;
// the rest is the file's former contents.
//
// What must hold: the result is 0, and the file afterwards is its former contents
// followed by exactly the text ReadSubKeys gives for the path (or "(null)" when that is
// null); the one change to the former contents is the one a text-mode append makes:
// a single final 0x1A (the text end-of-file mark) is replaced by the text.
#include <cstdio>

#include "kelvane.h"
#include "registry_walk.h"

using namespace kelvane::fuzz;

namespace {

// Key paths to list: HKLM, a file that is no hive, a missing hive, a bad path, a key inside.
constexpr const char* KEY_PATHS[] = {"", "SOFTWARE", "NO SUCH HIVE", "\\SOFTWARE", "SOFTWARE\\Classes"};
constexpr std::size_t KEY_PATH_COUNT = sizeof KEY_PATHS / sizeof KEY_PATHS[0];
// Steering bit: no file before the call (it must be created).
constexpr std::uint8_t NO_FILE_FLAG = 0x80;
constexpr std::uint8_t TEXT_END_MARK = 0x1A;
constexpr const char* NO_LIST_TEXT = "(null)";

std::string filePath;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startLibrary();
    // SOFTWARE is an empty file here: the path that names it finds no hive to read.
    const std::string hive = stageHklm();
    FUZZ_CHECK(writeFileBytes(hive, Bytes{}), hive);
    filePath = scratchPath("listing.txt");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InputReader input(data, size);
    const std::uint8_t steering = input.byte();
    const char* keyPath = KEY_PATHS[(steering & ~NO_FILE_FLAG) % KEY_PATH_COUNT];
    Bytes former = input.rest();
    std::remove(filePath.c_str());
    if (steering & NO_FILE_FLAG) {
        former.clear();
    } else {
        FUZZ_CHECK(writeFileBytes(filePath, former), filePath);
    }

    char* list = ReadSubKeys(keyPath);
    const std::string text = list != nullptr ? list : NO_LIST_TEXT;
    freeString(list);
    FUZZ_CHECK(ReadSubKeysInFile(keyPath, filePath.c_str()) == 0, keyPath);

    Bytes expected = former;
    if (!expected.empty() && expected.back() == TEXT_END_MARK) expected.pop_back();
    expected.insert(expected.end(), text.begin(), text.end());
    Bytes after;
    FUZZ_CHECK(readFileBytes(filePath, &after), filePath);
    FUZZ_CHECK(after == expected, std::string("appending to ") + std::to_string(former.size()) + " bytes\n  got  " +
                                      toHex(after) + "\n  want " + toHex(expected));
    return 0;
}
