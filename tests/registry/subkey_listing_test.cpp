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

TEST_F(SubKeyListing, ValuesAreNotSubKeys) {
    createSubKeys(registry, registry.keyPath("Mixed"), {"K"});
    registry.setValue(registry.keyPath("Mixed"), "v", ValueType::String, textBytes("text"));
    EXPECT_EQ(takeText(ReadSubKeys(registry.keyPath("Mixed").c_str())), "K");
}

// Every name whole, however long or wherever it has a comma: names of 255 characters (the
// longest a key may have) take up to 765 bytes in UTF-8, and the names after them count too.
TEST_F(SubKeyListing, LongNonAsciiAndCommaNamesAreListedWhole) {
    std::string longE, accented = "C";
    for (int i = 0; i < 255; ++i) longE += "é";
    for (int i = 0; i < 200; ++i) accented += "é";
    const std::string longN(255, 'n');
    // Given in the order Windows sorts them, by upper-cased name: a prefix first, É after Z.
    const std::string names[] = {"a,b", "c", accented, "Größe", longN, "z", longE};
    const std::string parent = registry.keyPath("Names");
    registry.createKey(parent);
    std::string expected;
    for (const std::string& name : names) {
        registry.createKey(parent + "\\" + narrowText(name));
        expected += (expected.empty() ? "" : ",") + narrowText(name);
    }
    EXPECT_EQ(takeText(ReadSubKeys(parent.c_str())), expected);
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
