// The host killed at spread-out moments while it enciphers a 64 MiB file or deciphers its
// container, on both ways of rewriting: afterwards the file is the input or the whole
// output, or the next call's restore makes it the input, and no copy or new file is left.
// And two hosts on one file at once, in both orders: the file ends as one order would.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "container_check.h"
#include "platform/file_rewrite.h"
#include "rewrite_check.h"
#include "support/host_process.h"

namespace kelvane::test {
namespace {

constexpr std::size_t CRASH_FILE_SIZE = 64u << 20;  // large enough to be caught mid-write
constexpr int KILLS_PER_WAY = 6;                    // moments spread over one whole call

using Clock = std::chrono::steady_clock;

std::vector<std::string> sortedNames(const std::string& folder) {
    std::vector<std::string> names = listFolder(folder);
    std::sort(names.begin(), names.end());
    return names;
}

// How long one whole call of the host takes on `path`.
Clock::duration wholeCall(const FileCall& call, const std::string& path) {
    const auto start = Clock::now();
    EXPECT_EQ(waitHost(startHost({call.name, path})), 0);
    return Clock::now() - start;
}

// `withSecondLink`: a second name forces the rewrite in place; one name lets it rename
// where the platform allows. The hosts keep a file of two names' journal in this user's
// own folder, where this process looks too.
void killAtSpreadMoments(const FileCall& call, bool withSecondLink) {
    const UserJournalFolders asTheHost;
    ScratchFolder folder;
    std::mt19937 generator{31};
    const Bytes original = randomBytes(generator, CRASH_FILE_SIZE);
    const std::string path = folder.path("big");
    const std::string other = folder.path("other-name");
    const Bytes input = writeInput(call, path, original);
    const auto prepare = [&] {
        writeFile(path, input);
        if (!withSecondLink) return;
        std::error_code error;
        std::filesystem::remove(other, error);
        std::filesystem::create_hard_link(path, other, error);
        EXPECT_FALSE(error) << error.message();
    };
    prepare();
    const Clock::duration whole = wholeCall(call, path);
    const std::vector<std::string> names = sortedNames(folder.root());
    int interrupted = 0;
    for (int kill = 0; kill < KILLS_PER_WAY; ++kill) {
        prepare();
        const HostProcess host = startHost({call.name, path});
        // Over the first three quarters of a call: later ones often just miss its end.
        std::this_thread::sleep_for(whole * 3 * (2 * kill + 1) / (8 * KILLS_PER_WAY));
        killHost(host);
        interrupted += waitHost(host) < 0 ? 1 : 0;
        const std::string where = "kill " + std::to_string(kill);
        ASSERT_TRUE(restoreInterruptedCall(path.c_str())) << where;
        const Bytes now = readFile(path);
        EXPECT_TRUE(now == input || isFinished(call, original, now)) << where << ": neither input nor output";
        if (withSecondLink) {
            EXPECT_TRUE(readFile(other) == now) << where << ": the names differ";
        }
        EXPECT_EQ(sortedNames(folder.root()), names) << where << ": a file was left";
        expectNoJournal(path);
    }
    EXPECT_GT(interrupted, 0) << "no kill landed inside the call";
}

// `call` and cryptFile started together on one file, in both orders: the later waits for
// the earlier and sees what it left. cryptFile twice: one layer (2 and 1); decryptFile
// and cryptFile on a container: the contents, or their container under a new key.
void twoHostsAtOnce(const FileCall& call, bool withSecondLink) {
    const UserJournalFolders asTheHost;
    ScratchFolder folder;
    std::mt19937 generator{37};
    const Bytes original = randomBytes(generator, CRASH_FILE_SIZE);
    const std::string path = folder.path("big");
    const FileCall& encipher = FILE_CALLS[0];
    for (const bool callFirst : {true, false}) {
        writeInput(call, path, original);
        if (withSecondLink) std::filesystem::create_hard_link(path, folder.path("other-name-" + std::to_string(callFirst)));
        const std::vector<std::string> names = sortedNames(folder.root());
        const HostProcess first = startHost({(callFirst ? call : encipher).name, path});
        const HostProcess second = startHost({(callFirst ? encipher : call).name, path});
        EXPECT_EQ(waitHost(first), 0);
        EXPECT_EQ(waitHost(second), 0);
        const Bytes now = readFile(path);
        const bool asOneOrder = isContainerOf(original, now) || (decrypts(call) && now == restoredFrom(original));
        EXPECT_TRUE(asOneOrder) << call.name << (callFirst ? " first" : " second") << ": no order gives this";
        EXPECT_EQ(sortedNames(folder.root()), names) << "a file was left";
        expectNoJournal(path);
    }
}

class FileCrash : public ::testing::TestWithParam<FileCall> {};

TEST_P(FileCrash, TwoHostsWithOneNameEndAsOneOrderWould) { twoHostsAtOnce(GetParam(), false); }
TEST_P(FileCrash, TwoHostsWithTwoNamesEndAsOneOrderWould) { twoHostsAtOnce(GetParam(), true); }

TEST_P(FileCrash, AKilledHostWithOneNameLeavesTheInputOrTheOutput) { killAtSpreadMoments(GetParam(), false); }
TEST_P(FileCrash, AKilledHostWithTwoNamesLeavesTheInputOrTheOutput) { killAtSpreadMoments(GetParam(), true); }

INSTANTIATE_TEST_SUITE_P(BothCalls, FileCrash, ::testing::ValuesIn(FILE_CALLS),
                         [](const ::testing::TestParamInfo<FileCall>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kelvane::test
