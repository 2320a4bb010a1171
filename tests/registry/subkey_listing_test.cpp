// ReadSubKeys: the comma-joined subkey names of a key, or null.
#include <gtest/gtest.h>

#include "listing_test_helpers.h"
#include "registry/registry_exports.h"

namespace kelvane::test {
namespace {

class SubKeyListing : public ::testing::Test {
protected:
    RegistryFixture registry;
};

TEST_F(SubKeyListing, ThreeSubKeysJoinedBySingleCommas) {
    createSubKeys(registry, registry.keyPath("Three"), {"B", "C", "A"});
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Three").c_str())), "A,B,C");
}

TEST_F(SubKeyListing, OneSubKeyHasNoSeparator) {
    createSubKeys(registry, registry.keyPath("One"), {"A"});
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("One").c_str())), "A");
}

TEST_F(SubKeyListing, NoSubKeysGivesNullNotAnEmptyText) {
    registry.createKey(registry.keyPath("Leaf"));
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Leaf").c_str())), std::nullopt);
}

TEST_F(SubKeyListing, MissingPathGivesNull) {
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Missing\\Deeper").c_str())), std::nullopt);
    EXPECT_EQ(takeText(ReadSubKeys("NoSuchHive\\Key")), std::nullopt);
}

TEST_F(SubKeyListing, NameWithCommaIsListedUnchanged) {
    createSubKeys(registry, registry.keyPath("Comma"), {"a,b", "c"});
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Comma").c_str())), "a,b,c");
}

TEST_F(SubKeyListing, ValuesAreNotSubKeys) {
    createSubKeys(registry, registry.keyPath("Mixed"), {"K"});
    registry.setValue(registry.keyPath("Mixed"), "v", ValueType::String, textBytes("text"));
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Mixed").c_str())), "K");
}

TEST_F(SubKeyListing, NamesUpToTheLongestTheRegistryAllows) {
    const std::string longName(255, 'n');
    createSubKeys(registry, registry.keyPath("Long"), {"a", longName.c_str()});
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Long").c_str())), "a," + longName);
}

TEST_F(SubKeyListing, TwoCallsGiveTwoBlocksAndTheFirstSurvives) {
    createSubKeys(registry, registry.keyPath("Twice"), {"A", "B"});
    char* first = ReadSubKeys(registry.keyPath("Twice").c_str());
    char* second = ReadSubKeys(registry.keyPath("Twice").c_str());
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(takeText(first), "A,B");
    EXPECT_EQ(takeText(second), "A,B");
}

}  // namespace
}  // namespace kelvane::test
