// RegDeleteKeyNT and ComputerName.
#include <gtest/gtest.h>

#include <cstring>

#include "listing_test_helpers.h"
#include "registry/registry_exports.h"
#include "system/system_exports.h"

namespace kelvane::test {
namespace {

constexpr int ERROR_BADKEY = 1010;          // our own result for a null or empty path
constexpr int MISSING_KEY_STATUS = 2;       // ERROR_FILE_NOT_FOUND on both targets
constexpr int KEY_HAS_SUBKEYS_STATUS = 5;   // ERROR_ACCESS_DENIED on both targets

class KeyDeletion : public ::testing::Test {
protected:
    RegistryFixture registry;
};

TEST_F(KeyDeletion, NullOrEmptyPathIsABadKey) {
    EXPECT_EQ(RegDeleteKeyNT(nullptr), ERROR_BADKEY);
    EXPECT_EQ(RegDeleteKeyNT(""), ERROR_BADKEY);
    EXPECT_TRUE(registry.keyExists(registry.root()));
}

TEST_F(KeyDeletion, MissingKeyGivesTheOpenStatus) {
    EXPECT_EQ(RegDeleteKeyNT(registry.keyPath("Missing").c_str()), MISSING_KEY_STATUS);
    EXPECT_EQ(RegDeleteKeyNT("NoSuchHive\\Key"), MISSING_KEY_STATUS);
}

TEST_F(KeyDeletion, LeafGoesOnceThenIsMissing) {
    createSubKeys(registry, registry.keyPath("Parent"), {"Leaf", "Stays"});
    registry.setValue(registry.keyPath("Parent\\Leaf"), "v", ValueType::String, textBytes("x"));
    EXPECT_EQ(RegDeleteKeyNT(registry.keyPath("Parent\\Leaf").c_str()), 0);
    EXPECT_FALSE(registry.keyExists(registry.keyPath("Parent\\Leaf")));
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Parent").c_str())), "Stays");
    EXPECT_EQ(RegDeleteKeyNT(registry.keyPath("Parent\\Leaf").c_str()), MISSING_KEY_STATUS);
}

TEST_F(KeyDeletion, KeyWithSubKeysIsRefusedAndKept) {
    createSubKeys(registry, registry.keyPath("Parent"), {"Child"});
    EXPECT_EQ(RegDeleteKeyNT(registry.keyPath("Parent").c_str()), KEY_HAS_SUBKEYS_STATUS);
    EXPECT_TRUE(registry.keyExists(registry.keyPath("Parent\\Child")));
}

TEST(ComputerName, TwoCallsGiveTwoBlocksWithEqualText) {
    char* first = ComputerName();
    char* second = ComputerName();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_STREQ(first, second);
    EXPECT_GT(std::strlen(first), 0u);
    EXPECT_LE(std::strlen(first), 15u);
    moduleFree(first);
    moduleFree(second);
}

}  // namespace
}  // namespace kelvane::test
