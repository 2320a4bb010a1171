// ReadSubKeysInFile on paths that are no regular files: nothing written, no wait.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "listing_test_helpers.h"
#include "registry/registry_exports.h"

namespace kelvane::test {
namespace {

TEST(SubKeyFilePosix, AFifoIsLeftAloneAndDoesNotBlock) {
    RegistryFixture registry;
    createSubKeys(registry, registry.keyPath("C"), {"C"});
    ScratchFolder folder;
    const std::string fifo = folder.path("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadSubKeysInFile(registry.keyPath("C").c_str(), fifo.c_str()), 0);
    EXPECT_EQ(ReadSubKeysInFile(registry.keyPath("C").c_str(), folder.root().c_str()), 0);
}

}  // namespace
}  // namespace kelvane::test
