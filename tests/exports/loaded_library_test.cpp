// The library as a host meets it: loaded by path, exports found by plain name and
// called through cdecl function pointers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "exports/export_table.h"
#include "kelvane.h"
#include "library_loader.h"
#include "support/test_support.h"

namespace kelvane::test {
namespace {

using tools::callExport;
using tools::ExportInfo;
using tools::LoadedLibrary;

class LoadedLibraryTest : public ::testing::Test {
protected:
    LoadedLibrary library{libraryPath()};

    tools::CallResult call(const char* name, std::vector<const char*> arguments) {
        const ExportInfo* info = tools::findExport(name);
        EXPECT_NE(info, nullptr) << name;
        return callExport(*info, library.symbol(name), library.symbol(tools::FREE_EXPORT), arguments);
    }
};

TEST_F(LoadedLibraryTest, LoadsAndResolvesEveryExportByPlainName) {
    ASSERT_TRUE(library.loaded()) << library.error();
    for (const ExportInfo& info : tools::exportTable()) {
        EXPECT_NE(library.symbol(info.name), nullptr) << info.name;
    }
    EXPECT_EQ(library.symbol("_cryptString"), nullptr);
    EXPECT_EQ(library.symbol("kelvane_core"), nullptr);
}

TEST_F(LoadedLibraryTest, StringRoundTripThroughCdeclPointers) {
    ASSERT_TRUE(library.loaded()) << library.error();
    const auto hex = call("cryptString", {"installer secret", "pass phrase"});
    ASSERT_FALSE(hex.isNull);
    EXPECT_EQ(hex.text.size(), 64u);
    const auto plain = call("decryptString", {hex.text.c_str(), "pass phrase"});
    ASSERT_FALSE(plain.isNull);
    EXPECT_EQ(plain.text, "installer secret");
}

TEST_F(LoadedLibraryTest, TwoResultsAreDistinctBlocksAndTheFirstSurvives) {
    ASSERT_TRUE(library.loaded()) << library.error();
    using Crypt = char*(KELVANE_CALL*)(const char*, const char*);
    auto crypt = reinterpret_cast<Crypt>(library.symbol("cryptString"));
    char* first = crypt("first", "k");
    const std::string firstText = first;
    char* second = crypt("second", "k");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(std::string(first), firstText);
    char* again = crypt("first", "k");
    EXPECT_NE(again, first);
    EXPECT_STREQ(again, first);
}

// A long-running host frees each result; what it must not free is ignored, not obeyed.
TEST_F(LoadedLibraryTest, FreeStringReturnsResultsAndIgnoresWhatItDidNotHandOut) {
    ASSERT_TRUE(library.loaded()) << library.error();
    using Crypt = char*(KELVANE_CALL*)(const char*, const char*);
    using Free = void(KELVANE_CALL*)(char*);
    auto crypt = reinterpret_cast<Crypt>(library.symbol("cryptString"));
    auto decrypt = reinterpret_cast<Crypt>(library.symbol("decryptString"));
    auto freeString = reinterpret_cast<Free>(library.symbol(tools::FREE_EXPORT));
    ASSERT_NE(freeString, nullptr);

    freeString(nullptr);
    char* kept = crypt("kept", "k");
    ASSERT_NE(kept, nullptr);
    const std::string keptText = kept;
    for (int i = 0; i < 20000; ++i) {
        const std::string text = "result " + std::to_string(i);
        char* hex = crypt(text.c_str(), "k");
        ASSERT_NE(hex, nullptr);
        char* plain = decrypt(hex, "k");
        ASSERT_NE(plain, nullptr);
        ASSERT_EQ(std::string(plain), text);
        freeString(hex);
        freeString(plain);
        if (i % 1000 == 0) freeString(plain);  // a second free of the same result
    }
    char stackText[] = "not from the library";
    freeString(stackText);
    EXPECT_STREQ(stackText, "not from the library");
    EXPECT_EQ(std::string(kept), keptText);  // untouched by the frees of other results
    freeString(kept);
}

// Load, one call, unload: the heap goes with the unload and a new load makes a new one.
TEST(LoadedLibraryLifecycle, UnloadAndLoadAgain) {
    {
        LoadedLibrary first(libraryPath());
        ASSERT_TRUE(first.loaded()) << first.error();
        const ExportInfo* name = tools::findExport("ComputerName");
        callExport(*name, first.symbol("ComputerName"), first.symbol(tools::FREE_EXPORT), {});
    }
    LoadedLibrary second(libraryPath());
    ASSERT_TRUE(second.loaded()) << second.error();
    const auto hex = callExport(*tools::findExport("cryptString"), second.symbol("cryptString"), nullptr, {"again", "k"});
    ASSERT_FALSE(hex.isNull);
    const auto plain =
        callExport(*tools::findExport("decryptString"), second.symbol("decryptString"), nullptr,
                    {hex.text.c_str(), "k"});
    EXPECT_EQ(plain.text, "again");
}

}  // namespace
}  // namespace kelvane::test
