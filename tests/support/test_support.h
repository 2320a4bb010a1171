// Shared helpers of the test programs: hex conversion, deterministic random bytes,
// scratch folders, and the library loaded the way a host loads it.
#pragma once
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace kelvane::test {

using Bytes = std::vector<std::uint8_t>;

// "0A1B..." (uppercase) for bytes, and back; fromHex ignores spaces.
std::string toHex(const Bytes& bytes);
Bytes fromHex(const std::string& hex);

// Random bytes from a fixed-seed generator, so failures repeat.
Bytes randomBytes(std::mt19937& generator, std::size_t count);

// A fresh empty folder below the system's temporary folder, removed by the destructor.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    // Absolute path of `name` inside the folder.
    std::string path(const std::string& name) const;
    const std::string& root() const { return root_; }

private:
    std::string root_;
};

// The folder this run's private journal folders go in (platform::journalFolders()): each
// test program's run has one of its own below the temporary folder, made before its first
// test and removed after its last.
std::string runJournalFolder();

// For its life, the private journal folders are this user's own again, as in a process
// the test starts (a host), which knows nothing of the run's folder.
class UserJournalFolders {
public:
    UserJournalFolders();
    ~UserJournalFolders();
    UserJournalFolders(const UserJournalFolders&) = delete;
    UserJournalFolders& operator=(const UserJournalFolders&) = delete;

private:
    std::string given_;
};

// Whole file contents, or an empty vector with `exists` false when it cannot be read.
Bytes readFile(const std::string& path, bool* exists = nullptr);
void writeFile(const std::string& path, const Bytes& contents);
bool fileExists(const std::string& path);
// Names in a folder (not . or ..).
std::vector<std::string> listFolder(const std::string& path);

// Absolute path of the loadable library beside the test program.
std::string libraryPath();

}  // namespace kelvane::test
