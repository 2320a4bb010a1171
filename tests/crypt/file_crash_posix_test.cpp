// A host killed (SIGKILL) at spread-out moments while it enciphers a 64 MiB file, on both
// ways of rewriting: afterwards the file is the original or the whole container, or the
// next call's restore makes it the original, and no copy or new file is left.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "container_check.h"
#include "rewrite_check.h"
#include "library_loader.h"
#include "platform/file_rewrite.h"
#include "platform/file_system.h"

namespace kelvane::test {
namespace {

constexpr std::size_t CRASH_FILE_SIZE = 64u << 20;  // large enough to be caught mid-write
constexpr int KILLS_PER_WAY = 6;                    // moments spread over one whole call

using Clock = std::chrono::steady_clock;

// Starts the command-line host enciphering `path`.
pid_t startHost(const std::string& path) {
    const pid_t child = ::fork();
    if (child == 0) {
        const std::string host = tools::programFolder() + "kelvane";
        const std::string library = libraryPath();
        [[maybe_unused]] FILE* quiet = std::freopen("/dev/null", "w", stdout);  // the host prints its result
        ::execl(host.c_str(), host.c_str(), "--lib", library.c_str(), "cryptFile", path.c_str(), nullptr);
        ::_exit(127);
    }
    return child;
}

// Runs the host to its end: how long one whole call takes.
Clock::duration wholeCall(const std::string& path) {
    const auto start = Clock::now();
    int status = 0;
    ::waitpid(startHost(path), &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return Clock::now() - start;
}

std::vector<std::string> sortedNames(const std::string& folder) {
    std::vector<std::string> names = listFolder(folder);
    std::sort(names.begin(), names.end());
    return names;
}

// `withSecondLink`: a second name forces the rewrite in place; one name lets it rename.
void killAtSpreadMoments(bool withSecondLink) {
    ScratchFolder folder;
    std::mt19937 generator{31};
    const Bytes original = randomBytes(generator, CRASH_FILE_SIZE);
    const std::string path = folder.path("big");
    const std::string other = folder.path("other-name");
    const auto prepare = [&] {
        writeFile(path, original);
        if (withSecondLink) {
            ::unlink(other.c_str());
            EXPECT_EQ(::link(path.c_str(), other.c_str()), 0);
        }
    };
    prepare();
    const Clock::duration whole = wholeCall(path);
    const std::vector<std::string> names = sortedNames(folder.root());
    int interrupted = 0;
    for (int kill = 0; kill < KILLS_PER_WAY; ++kill) {
        prepare();
        const pid_t host = startHost(path);
        // Over the first three quarters of a call: later ones often just miss its end.
        std::this_thread::sleep_for(whole * 3 * (2 * kill + 1) / (8 * KILLS_PER_WAY));
        ::kill(host, SIGKILL);
        int status = 0;
        ::waitpid(host, &status, 0);
        interrupted += WIFSIGNALED(status) ? 1 : 0;
        const std::string where = "kill " + std::to_string(kill);
        ASSERT_TRUE(platform::restoreInterruptedRewrite(path.c_str())) << where;
        const Bytes now = readFile(path);
        EXPECT_TRUE(now == original || isContainerOf(original, now)) << where << ": neither original nor container";
        if (withSecondLink) {
            EXPECT_TRUE(readFile(other) == now) << where << ": the names differ";
        }
        EXPECT_EQ(sortedNames(folder.root()), names) << where << ": a file was left";
        expectNoJournal(path);
    }
    EXPECT_GT(interrupted, 0) << "no kill landed inside the call";
}

TEST(FileCrashPosix, AKilledRenameLeavesTheOriginalOrTheContainer) { killAtSpreadMoments(false); }
TEST(FileCrashPosix, AKilledRewriteInPlaceLeavesTheOriginalOrTheContainer) { killAtSpreadMoments(true); }

}  // namespace
}  // namespace kelvane::test
