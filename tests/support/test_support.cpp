#include "support/test_support.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

#include <gtest/gtest.h>

#include "library_loader.h"
#include "platform/file_system.h"

namespace kelvane::test {

namespace fs = std::filesystem;

std::string toHex(const Bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (std::uint8_t b : bytes) {
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return hex;
}

Bytes fromHex(const std::string& hex) {
    Bytes bytes;
    int high = -1;
    for (char c : hex) {
        if (c == ' ') continue;
        const int v = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        if (high < 0) {
            high = v;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    return bytes;
}

Bytes randomBytes(std::mt19937& generator, std::size_t count) {
    Bytes bytes(count);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(generator());
    return bytes;
}

ScratchFolder::ScratchFolder() {
    static std::mt19937 names(std::random_device{}());
    for (;;) {
        fs::path candidate = fs::temp_directory_path() / ("kelvane-test-" + std::to_string(names()));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            root_ = fs::absolute(candidate).string();
            return;
        }
        if (error) throw std::runtime_error("cannot create a scratch folder: " + error.message());
    }
}

ScratchFolder::~ScratchFolder() {
    std::error_code error;
    // Files the tests made read-only must become writable again to go.
    for (auto it = fs::recursive_directory_iterator(root_, error); !error && it != fs::end(it); it.increment(error)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::remove_all(root_, error);
}

std::string ScratchFolder::path(const std::string& name) const { return (fs::path(root_) / name).string(); }

Bytes readFile(const std::string& path, bool* exists) {
    std::ifstream in(path, std::ios::binary);
    if (exists != nullptr) *exists = static_cast<bool>(in);
    if (!in) return {};
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const Bytes& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(contents.data()), static_cast<std::streamsize>(contents.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

bool fileExists(const std::string& path) {
    std::error_code error;
    return fs::exists(path, error);
}

std::vector<std::string> listFolder(const std::string& path) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(path, error)) names.push_back(entry.path().filename().string());
    return names;
}

namespace {

void giveJournalFolder(const std::string& root) {
    platform::JournalFolders& folders = platform::journalFolders();
    folders = platform::JournalFolders{};
    root.copy(folders.root, sizeof folders.root - 1);
}

// Gives each run of a test program a journal folder of its own, so that runs at once (and
// the machine's own calls) never meet in this user's shared one.
class RunJournalFolder : public ::testing::Environment {
public:
    void SetUp() override {
        folder_ = std::make_unique<ScratchFolder>();
        // Open to every user, sticky, as /var/tmp is: a test calling as another user makes
        // that user's folder in it.
        fs::permissions(folder_->root(), fs::perms::all | fs::perms::sticky_bit);
        giveJournalFolder(folder_->root());
    }
    void TearDown() override {
        giveJournalFolder("");
        folder_.reset();
    }

private:
    std::unique_ptr<ScratchFolder> folder_;
};

[[maybe_unused]] ::testing::Environment* const RUN_JOURNAL_FOLDER =
    ::testing::AddGlobalTestEnvironment(new RunJournalFolder);

}  // namespace

std::string runJournalFolder() { return platform::journalFolders().root; }

UserJournalFolders::UserJournalFolders() : given_(runJournalFolder()) { giveJournalFolder(""); }
UserJournalFolders::~UserJournalFolders() { giveJournalFolder(given_); }

std::string libraryPath() { return tools::programFolder() + tools::defaultLibraryName(); }

}  // namespace kelvane::test
