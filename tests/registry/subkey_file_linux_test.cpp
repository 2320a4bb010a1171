// ReadSubKeysInFile on paths that are no regular files: nothing written, no wait; and from
// several processes at once on one file: every listing lands whole.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "listing_test_helpers.h"
#include "registry/registry_exports.h"

namespace kelvane::test {
namespace {

TEST(SubKeyFileLinux, AFifoIsLeftAloneAndDoesNotBlock) {
    RegistryFixture registry;
    createSubKeys(registry, registry.keyPath("C"), {"C"});
    ScratchFolder folder;
    const std::string fifo = folder.path("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadSubKeysInFile(registry.keyPath("C").c_str(), fifo.c_str()), 0);
    EXPECT_EQ(ReadSubKeysInFile(registry.keyPath("C").c_str(), folder.root().c_str()), 0);
}

constexpr int APPENDING_PROCESSES = 4;
constexpr int CALLS_EACH = 200;

TEST(SubKeyFileLinux, ListingsFromSeveralProcessesAtOnceAreAllThere) {
    RegistryFixture registry;
    createSubKeys(registry, registry.keyPath("L"), {"A", "B"});
    ScratchFolder folder;
    const std::string file = folder.path("names.txt");
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    std::vector<pid_t> children;
    for (int process = 0; process < APPENDING_PROCESSES; ++process) {
        const pid_t child = fork();
        if (child == 0) {
            char go;
            [[maybe_unused]] const ssize_t started = read(start[0], &go, 1);  // all start together
            int failures = 0;
            for (int i = 0; i < CALLS_EACH; ++i) failures += ReadSubKeysInFile(registry.keyPath("L").c_str(), file.c_str());
            _exit(failures == 0 ? 0 : 1);
        }
        children.push_back(child);
    }
    const std::string go(APPENDING_PROCESSES, 'g');
    ASSERT_EQ(write(start[1], go.data(), go.size()), static_cast<ssize_t>(go.size()));
    close(start[0]);
    close(start[1]);
    for (const pid_t child : children) {
        int status = -1;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::string expected;
    for (int i = 0; i < APPENDING_PROCESSES * CALLS_EACH; ++i) expected += "A,B";
    const Bytes written = readFile(file);
    EXPECT_EQ(written.size(), expected.size());
    EXPECT_TRUE(std::string(written.begin(), written.end()) == expected);
}

}  // namespace
}  // namespace kelvane::test
