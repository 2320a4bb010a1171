// cryptFile, decryptFile and what a Windows file is besides its bytes: attributes, hard
// links, other processes' open handles, a folder near MAX_PATH. One table of situations;
// in each, enciphering a file and deciphering a container must give 2, keep the file
// itself, and leave nothing behind. Then the read-only attribute.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <random>
#include <tuple>

#include "container_check.h"
#include "rewrite_check.h"
#include "crypt/file_crypt.h"
#include "platform/file_system.h"

namespace kelvane::test {
namespace {

// Length of the long folder row: the longest a file named "file" still fits MAX_PATH in.
constexpr std::size_t LONG_FOLDER_LENGTH = MAX_PATH - 1 - sizeof "\\file";

struct Situation {
    const char* name;
    // Makes the folder under `root` and the file in it, with the row's property; the
    // returned handle (or INVALID_HANDLE_VALUE) stays open during the call.
    std::function<HANDLE(const std::string& folder, const std::string& file)> prepare;
};

HANDLE none() { return INVALID_HANDLE_VALUE; }

const Situation SITUATIONS[] = {
    {"hidden", [](auto&, auto& file) { return SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_HIDDEN), none(); }},
    {"archive", [](auto&, auto& file) { return SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_ARCHIVE), none(); }},
    {"second hard link",
     [](auto& folder, auto& file) {
         return CreateHardLinkA((folder + "\\other-name").c_str(), file.c_str(), nullptr), none();
     }},
    {"held open sharing reading and writing",
     [](auto&, auto& file) {
         return CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
     }},
    {"folder near MAX_PATH", [](auto&, auto&) { return none(); }},
};

using SituationAndCall = std::tuple<Situation, FileCall>;

std::string situationName(const ::testing::TestParamInfo<SituationAndCall>& info) {
    return rowName(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
}

// A folder below `root` whose full path is `length` characters long.
std::string folderOfLength(const std::string& root, std::size_t length) {
    std::string folder = root + "\\";
    folder.append(length > folder.size() ? length - folder.size() : 1, 'f');
    return folder;
}

void PrintTo(const Situation& row, std::ostream* out) { *out << row.name; }

class FileCryptWin32 : public ::testing::TestWithParam<SituationAndCall> {
protected:
    ScratchFolder scratch;
    std::mt19937 generator{6};
};

TEST_P(FileCryptWin32, GivesTwoAndKeepsTheFileItself) {
    const auto& [row, call] = GetParam();
    const bool longFolder = std::string(row.name).find("MAX_PATH") != std::string::npos;
    const std::string folder = longFolder ? folderOfLength(scratch.root(), LONG_FOLDER_LENGTH) : scratch.path("place");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder.size();
    const std::string path = folder + "\\file";
    const Bytes contents = randomBytes(generator, 3000);
    writeInput(call, path, contents);
    const HANDLE held = row.prepare(folder, path);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const std::vector<std::string> namesBefore = listFolder(folder);

    EXPECT_EQ(call.call(path.c_str()), call.done);
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);

    EXPECT_EQ(GetFileAttributesA(path.c_str()), attributes);
    expectOutputAndNothingLeft(call, contents, readFile(path), path, namesBefore,
                               namesBefore.size() > 1 ? folder + "\\other-name" : "");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

INSTANTIATE_TEST_SUITE_P(Situations, FileCryptWin32,
                         ::testing::Combine(::testing::ValuesIn(SITUATIONS), ::testing::ValuesIn(FILE_CALLS)),
                         situationName);

// Sets the read-only attribute for the life of the guard.
class ReadOnlyAttribute {
public:
    explicit ReadOnlyAttribute(const std::string& path) : path_(path) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    }
    ~ReadOnlyAttribute() { SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL); }
    bool holds() const { return true; }

private:
    std::string path_;
};

TEST(FileCryptWin32Refusals, AReadOnlyFileGivesMinusTwoAndAReadOnlyContainerMinusOne) {
    expectUnwritableRefusals<ReadOnlyAttribute>();
}

}  // namespace
}  // namespace kelvane::test
