// How the registry reads the spellings of one key's path and value name: separators,
// case and non-ASCII letters. One table for both targets; the answers are those the DLL
// gives under Wine (Wine's registry compares names as Windows does: per UTF-16 unit,
// upper-cased; no row is known to differ on Windows). Names are written in UTF-8 and
// passed in each target's narrow form (code page 1252 under Wine here).
#include <gtest/gtest.h>

#include <cctype>

#include "listing_test_helpers.h"
#include "platform/registry.h"
#include "registry/registry_exports.h"

namespace kelvane::test {
namespace {

constexpr std::uint32_t READ_ACCESS = 0x20019;  // KEY_READ
constexpr long OPENED = platform::REGISTRY_OK;
constexpr long MISSING = platform::REGISTRY_NOT_FOUND;
constexpr long BAD_PATH = platform::REGISTRY_BAD_PATHNAME;

struct Spelling {
    const char* path;       // {key} is the table's key as made, {KEY} and {low} in ASCII upper or lower case
    const char* valueName;  // read with ReadKeyValue from that path
    long openStatus;        // of opening the path to read
    const char* subKeys;    // ReadSubKeys; null for a null result
    const char* value;      // ReadKeyValue; null for a null result
};

// The keys: {key}\Größe with the subkey Sub and the value Maß = "ok"; {key}\ÿ with the subkey Inner.
const Spelling SPELLINGS[] = {
    {"{key}\\Größe", "Maß", OPENED, "Sub", "ok"},
    // Empty components are skipped: doubled, tripled and trailing backslashes.
    {"{key}\\\\Größe", "Maß", OPENED, "Sub", "ok"},
    {"{key}\\\\\\Größe", "Maß", OPENED, "Sub", "ok"},
    {"{key}\\Größe\\", "Maß", OPENED, "Sub", "ok"},
    {"{key}\\Größe\\\\", "Maß", OPENED, "Sub", "ok"},
    // A path is relative to HKEY_LOCAL_MACHINE: a leading backslash makes it bad.
    {"\\{key}\\Größe", "Maß", BAD_PATH, nullptr, nullptr},
    {"\\\\{key}\\Größe", "Maß", BAD_PATH, nullptr, nullptr},
    {"\\", "Maß", BAD_PATH, nullptr, nullptr},
    // Case: every character upper-cased by its simple upper case, hive name included.
    {"{KEY}\\GRÖßE", "MAß", OPENED, "Sub", "ok"},
    {"{low}\\größe", "maß", OPENED, "Sub", "ok"},
    {"{key}\\gRÖßE\\", "mAß", OPENED, "Sub", "ok"},
    {"{key}\\ÿ", "", OPENED, "Inner", nullptr},
    {"{key}\\Ÿ", "", OPENED, "Inner", nullptr},
    // ß has no one-letter upper case: SS is another name; so is ö without its dots.
    {"{key}\\GRÖSSE", "Maß", MISSING, nullptr, nullptr},
    {"{key}\\Grosse", "Maß", MISSING, nullptr, nullptr},
    {"{key}\\Größe", "MASS", OPENED, "Sub", nullptr},
    // Names are taken as they are: no trimming, and "." is a name like any other.
    {"{key}\\ Größe", "Maß", MISSING, nullptr, nullptr},
    {"{key}\\Größe ", "Maß", MISSING, nullptr, nullptr},
    {"{key}\\.\\Größe", "Maß", MISSING, nullptr, nullptr},
    {"{key}/Größe", "Maß", MISSING, nullptr, nullptr},  // a slash is no separator
    {"{key}\\Größe\\SUB", "Maß", OPENED, nullptr, nullptr},
};

std::string asciiCased(std::string text, int (*change)(int)) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x80) c = static_cast<char>(change(c));
    }
    return text;
}

// `pattern` with its placeholder replaced by `key` in the case it asks for.
std::string spelled(const std::string& pattern, const std::string& key) {
    const std::pair<const char*, std::string> placeholders[] = {
        {"{key}", key}, {"{KEY}", asciiCased(key, std::toupper)}, {"{low}", asciiCased(key, std::tolower)}};
    std::string path = pattern;
    for (const auto& [placeholder, text] : placeholders) {
        const std::size_t at = path.find(placeholder);
        if (at != std::string::npos) path.replace(at, std::string(placeholder).size(), text);
    }
    return path;
}

std::optional<std::string> narrowResult(const char* utf8) {
    if (utf8 == nullptr) return std::nullopt;
    return narrowText(utf8);
}

long openStatus(const std::string& path) {
    platform::RegistryKey* key = nullptr;
    const long status = platform::registryOpen(path.c_str(), READ_ACCESS, &key);
    platform::registryClose(key);
    return status;
}

class PathSpelling : public ::testing::Test {
protected:
    RegistryFixture registry;
    std::string key = registry.keyPath("Spell");

    void SetUp() override {
        createSubKeys(registry, key + narrowText("\\Größe"), {"Sub"});
        registry.setValue(key + narrowText("\\Größe"), narrowText("Maß"), ValueType::String, textBytes("ok"));
        createSubKeys(registry, key + narrowText("\\ÿ"), {"Inner"});
    }
};

TEST_F(PathSpelling, EverySpellingReadsAsTheTableSays) {
    for (const Spelling& row : SPELLINGS) {
        const std::string path = narrowText(spelled(row.path, key));
        const std::string valueName = narrowText(row.valueName);
        SCOPED_TRACE(std::string(row.path) + " value " + row.valueName);
        EXPECT_EQ(openStatus(spelled(row.path, key)), row.openStatus);  // the platform's names are UTF-8
        EXPECT_EQ(takeText(ReadSubKeys(path.c_str())), narrowResult(row.subKeys));
        EXPECT_EQ(takeText(ReadKeyValue(path.c_str(), valueName.c_str())), narrowResult(row.value));
    }
}

TEST_F(PathSpelling, DeletionTakesTheSameSpellings) {
    createSubKeys(registry, key + "\\Del", {"A", "B"});
    EXPECT_EQ(RegDeleteKeyNT(spelled("{key}\\\\Del\\a", key).c_str()), 0);
    EXPECT_EQ(RegDeleteKeyNT(spelled("{KEY}\\DEL\\B\\", key).c_str()), 0);
    EXPECT_EQ(RegDeleteKeyNT(spelled("\\{key}\\Del", key).c_str()), BAD_PATH);
    EXPECT_EQ(takeText(ReadSubKeys((key + "\\Del").c_str())), std::nullopt);
}

}  // namespace
}  // namespace kelvane::test
