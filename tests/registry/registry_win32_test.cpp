// Windows only: ComputerName is GetComputerNameA's name; a null or empty path lists HKLM itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>

#include "listing_test_helpers.h"
#include "registry/registry_exports.h"
#include "system/system_exports.h"

namespace kelvane::test {
namespace {

TEST(ComputerNameWin32, EqualsGetComputerNameA) {
    char expected[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof expected;
    ASSERT_NE(GetComputerNameA(expected, &size), 0);
    EXPECT_EQ(takeText(ComputerName()), std::string(expected, size));
}

TEST(RegistryWin32, NullOrEmptyPathListsHklmItself) {
    const auto all = takeText(ReadSubKeys(nullptr));
    ASSERT_TRUE(all.has_value());
    std::string upper = *all;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_NE(upper.find("SOFTWARE"), std::string::npos) << *all;
    EXPECT_EQ(takeText(ReadSubKeys("")), all);
}

}  // namespace
}  // namespace kelvane::test
