// ReadKeyValue: a value's data up to its first zero byte, whatever its type: text in the
// host's form, any other type as stored (for UTF-8, byte for byte as U+0000 to U+00FF).
#include <gtest/gtest.h>

#include "listing_test_helpers.h"
#include "registry/registry_exports.h"

namespace kelvane::test {
namespace {

struct StoredValue {
    const char* what;
    ValueType type;
    Bytes data;                          // as handed to the registry's narrow call
    std::optional<std::string> expected; // the text ReadKeyValue gives
};

// `text` as ReadKeyValue gives it: null when its narrow form, the NUL with it, passes 512 bytes.
std::string repeated(const std::string& text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i) result += text;
    return result;
}

std::optional<std::string> withinLimit(const std::string& text) {
    const std::string narrow = narrowText(text);
    return narrow.size() <= 511 ? std::optional<std::string>(narrow) : std::nullopt;
}

// `character` (UTF-8) repeated to fill up to 511 bytes in the narrow form, the NUL making 512.
std::string fillingNarrowForm(const std::string& character) {
    const std::string narrow = narrowText(character);
    std::string text;
    while (text.size() + narrow.size() <= 511) text += narrow;
    return text;
}

std::vector<StoredValue> storedValues() {
    return {
        {"three letters", ValueType::String, textBytes("abc"), "abc"},
        {"511 characters fill 512 bytes", ValueType::String, textBytes(std::string(511, 's')), std::string(511, 's')},
        {"512 characters do not fit", ValueType::String, textBytes(std::string(512, 's')), std::nullopt},
        // The limit counts the narrow form's bytes (one é in the code page), not UTF-8's.
        {"non-ASCII text filling 512 narrow bytes", ValueType::String, textBytes(fillingNarrowForm("é")),
         fillingNarrowForm("é")},
        // 300 é: 300 bytes in code page 1252, 600 in UTF-8 (the .so's narrow form).
        {"300 é against the narrow form's limit", ValueType::String, textBytes(narrowText(repeated("é", 300))),
         withinLimit(repeated("é", 300))},
        {"empty string", ValueType::String, textBytes(""), ""},
        {"string without its NUL", ValueType::String, textBytes("abc", false), "abc"},
        {"environment string unexpanded", ValueType::ExpandString, textBytes("%SystemRoot%\\x"), "%SystemRoot%\\x"},
        {"list of strings gives the first", ValueType::MultiString, fromHex("61 00 62 00 00"), "a"},
        {"number 0x31", ValueType::Dword, fromHex("31 00 00 00"), "1"},
        {"number 0", ValueType::Dword, fromHex("00 00 00 00"), ""},
        {"number with four non-zero bytes", ValueType::Dword, fromHex("41 42 43 44"), "ABCD"},
        // Bytes above 0x7F are no text in any code page: they come back exactly as stored.
        {"number 1433", ValueType::Dword, fromHex("99 05 00 00"), "\x99\x05"},
        {"raw bytes above 0x7F", ValueType::Binary, fromHex("C3 A9 FF 00"), "\xC3\xA9\xFF"},
        {"64-bit number", ValueType::Qword, fromHex("81 8D 8F 90 9D 00 00 00"), "\x81\x8D\x8F\x90\x9D"},
        {"value of no type", ValueType::None, fromHex("E9 80 FE"), "\xE9\x80\xFE"},
        {"raw bytes without a zero byte", ValueType::Binary, fromHex("41 42 43"), "ABC"},
        {"raw bytes stop at a zero byte", ValueType::Binary, fromHex("41 00 43"), "A"},
        {"no data at all", ValueType::Binary, {}, ""},
        {"512 raw bytes fit", ValueType::Binary, Bytes(512, 0x52), std::string(512, 'R')},
        {"513 raw bytes do not", ValueType::Binary, Bytes(513, 0x52), std::nullopt},
        // A damaged or foreign hive can hold any type number; its data is read as raw bytes.
        {"type number with no name", static_cast<ValueType>(0x002FE702), fromHex("41 42 00 43"), "AB"},
        {"type number with no name, bytes above 0x7F", static_cast<ValueType>(0x002FE702), fromHex("D0 E4"),
         "\xD0\xE4"},
        {"512 raw bytes above 0x7F fit", ValueType::Binary, Bytes(512, 0xE9), std::string(512, '\xE9')},
    };
}

// The same data as a host of UTF-16 receives it, in UTF-8: text as text, every other type
// each byte as the character of its number, so that each unit gives the byte back.
const StoredValue UTF8_FORMS[] = {
    {"text", ValueType::String, textBytes(narrowText("Größe")), "Größe"},
    {"number 1433", ValueType::Dword, fromHex("99 05 00 00"), "\u0099\u0005"},
    {"raw bytes above 0x7F", ValueType::Binary, fromHex("C3 A9 FF 00 41"), "\u00C3\u00A9\u00FF"},
    {"64-bit number", ValueType::Qword, fromHex("80 7F 01 00"), "\u0080\u007F\u0001"},
    {"value of no type", ValueType::None, fromHex("E9"), "\u00E9"},
    {"type number with no name", static_cast<ValueType>(0x002FE702), fromHex("FF FE"), "\u00FF\u00FE"},
    {"512 raw bytes above 0x7F", ValueType::Binary, Bytes(512, 0xE9), repeated("\u00E9", 512)},
    {"513 raw bytes", ValueType::Binary, Bytes(513, 0xE9), std::nullopt},
};

class ValueRead : public ::testing::Test {
protected:
    RegistryFixture registry;
    std::string key = registry.keyPath("Values");
    void SetUp() override { registry.createKey(key); }
};

TEST_F(ValueRead, EveryStoredFormGivesItsText) {
    for (const StoredValue& value : storedValues()) {
        registry.setValue(key, value.what, value.type, value.data);
        EXPECT_EQ(takeText(ReadKeyValue(key.c_str(), value.what)), value.expected)
            << value.what << ": stored " << toHex(value.data);
    }
}

TEST_F(ValueRead, Utf8FormKeepsEveryStoredByte) {
    for (const StoredValue& value : UTF8_FORMS) {
        registry.setValue(key, value.what, value.type, value.data);
        EXPECT_EQ(takeText(utf8::ReadKeyValue(key.c_str(), value.what)), value.expected)
            << value.what << ": stored " << toHex(value.data);
    }
}

TEST_F(ValueRead, BufferLeftFromAnEarlierReadIsNeverShown) {
    registry.setValue(key, "long", ValueType::String, textBytes(std::string(100, 'L')));
    registry.setValue(key, "raw", ValueType::Binary, fromHex("41 42"));
    EXPECT_EQ(takeText(ReadKeyValue(key.c_str(), "long")), std::string(100, 'L'));
    EXPECT_EQ(takeText(ReadKeyValue(key.c_str(), "raw")), "AB");
}

TEST_F(ValueRead, EmptyStringIsAnEmptyTextNotNull) {
    registry.setValue(key, "empty", ValueType::String, textBytes(""));
    char* text = ReadKeyValue(key.c_str(), "empty");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text[0], '\0');
    moduleFree(text);
}

TEST_F(ValueRead, NullOrEmptyNameReadsTheUnnamedValue) {
    EXPECT_EQ(takeText(ReadKeyValue(key.c_str(), nullptr)), std::nullopt);
    registry.setValue(key, "", ValueType::String, textBytes("default"));
    EXPECT_EQ(takeText(ReadKeyValue(key.c_str(), nullptr)), "default");
    EXPECT_EQ(takeText(ReadKeyValue(key.c_str(), "")), "default");
}

TEST_F(ValueRead, MissingValueOrKeyGivesNull) {
    registry.setValue(key, "there", ValueType::String, textBytes("x"));
    EXPECT_EQ(takeText(ReadKeyValue(key.c_str(), "missing")), std::nullopt);
    EXPECT_EQ(takeText(ReadKeyValue(registry.keyPath("NoKey").c_str(), "there")), std::nullopt);
    EXPECT_EQ(takeText(ReadKeyValue("NoSuchHive\\Key", "there")), std::nullopt);
}

TEST_F(ValueRead, ValueNamesMatchIgnoringCase) {
    registry.setValue(key, "Mixed", ValueType::String, textBytes("m"));
    EXPECT_EQ(takeText(ReadKeyValue(key.c_str(), "mIXED")), "m");
}

}  // namespace
}  // namespace kelvane::test
