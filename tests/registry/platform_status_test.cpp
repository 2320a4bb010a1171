// The statuses of the registry layer beneath the exports, the same on Windows (Wine's
// registry) and over hive files.
#include <gtest/gtest.h>

#include "listing_test_helpers.h"
#include "platform/registry.h"

namespace kelvane::test {
namespace {

using namespace platform;

constexpr std::uint32_t READ_ACCESS = 0x20019;  // KEY_READ

class RegistryStatus : public ::testing::Test {
protected:
    RegistryFixture registry;
    std::string key = registry.keyPath("Status");
    RegistryKey* open = nullptr;

    void SetUp() override {
        createSubKeys(registry, key, {"Child"});
        registry.setValue(key, "abcdef", ValueType::String, textBytes("0123456789"));
        ASSERT_EQ(registryOpen(key.c_str(), READ_ACCESS, &open), REGISTRY_OK);
    }
    void TearDown() override { registryClose(open); }
};

TEST_F(RegistryStatus, MissingKeyIsNotFoundAndLeavesNoHandle) {
    RegistryKey* missing = reinterpret_cast<RegistryKey*>(&missing);
    EXPECT_EQ(registryOpen(registry.keyPath("Missing").c_str(), READ_ACCESS, &missing), REGISTRY_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);
}

TEST_F(RegistryStatus, PathWithLeadingBackslashIsBad) {
    RegistryKey* bad = nullptr;
    EXPECT_EQ(registryOpen(("\\" + key).c_str(), READ_ACCESS, &bad), REGISTRY_BAD_PATHNAME);
    EXPECT_EQ(bad, nullptr);
    EXPECT_EQ(registryDeleteKey(("\\" + key + "\\Child").c_str()), REGISTRY_BAD_PATHNAME);
}

TEST_F(RegistryStatus, EnumerationPastTheEndHasNoMoreItems) {
    char name[256];
    std::uint32_t count = 0;
    EXPECT_EQ(registrySubKeyCount(open, &count), REGISTRY_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(registryEnumKey(open, 0, name, sizeof name), REGISTRY_OK);
    EXPECT_STREQ(name, "Child");
    EXPECT_EQ(registryEnumKey(open, 1, name, sizeof name), REGISTRY_NO_MORE_ITEMS);
    std::uint32_t length = sizeof name;
    EXPECT_EQ(registryEnumValue(open, 1, name, &length), REGISTRY_NO_MORE_ITEMS);
}

TEST_F(RegistryStatus, ValueNameLengthExcludesTheNulAndMustFit) {
    char name[256];
    std::uint32_t length = sizeof name;
    EXPECT_EQ(registryEnumValue(open, 0, name, &length), REGISTRY_OK);
    EXPECT_STREQ(name, "abcdef");
    EXPECT_EQ(length, 6u);
    length = 6;  // no room for the NUL
    EXPECT_EQ(registryEnumValue(open, 0, name, &length), REGISTRY_MORE_DATA);
}

TEST_F(RegistryStatus, DataThatDoesNotFitIsMoreDataWithTheSizeNeeded) {
    std::uint8_t data[16];
    std::uint32_t size = sizeof data;
    EXPECT_EQ(registryQueryValue(open, "abcdef", data, &size), REGISTRY_OK);
    EXPECT_EQ(size, 11u);
    size = 10;
    EXPECT_EQ(registryQueryValue(open, "abcdef", data, &size), REGISTRY_MORE_DATA);
    EXPECT_EQ(size, 11u);
    size = sizeof data;
    EXPECT_EQ(registryQueryValue(open, "missing", data, &size), REGISTRY_NOT_FOUND);
}

TEST_F(RegistryStatus, DeletionRefusesSubKeysAndMissesMissingKeys) {
    // Over hive files a key kept open holds its hive's lock, which a deletion waits for.
    registryClose(open);
    open = nullptr;
    EXPECT_EQ(registryDeleteKey(key.c_str()), REGISTRY_ACCESS_DENIED);
    EXPECT_EQ(registryDeleteKey((key + "\\Missing").c_str()), REGISTRY_NOT_FOUND);
    EXPECT_EQ(registryDeleteKey((key + "\\Child").c_str()), REGISTRY_OK);
}

}  // namespace
}  // namespace kelvane::test
