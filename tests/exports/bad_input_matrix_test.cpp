// Every export called through the loaded library with what a careless or hostile host
// may pass: null pointers, empty and 1 MiB strings, bytes above 127, paths with spaces and
// non-ASCII characters (files and registry keys), a folder where a file belongs and a file
// where a folder belongs. Each case checks the documented answer and what it left behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "crypt/chunked_des.h"
#include "crypt/container_header.h"
#include "exports/export_table.h"
#include "kelvane.h"
#include "library_loader.h"
#include "support/registry_fixture.h"
#include "support/test_support.h"

namespace kelvane::test {
namespace {

using tools::CallResult;
using tools::ExportInfo;

// The answer an export must give.
enum class Answer {
    NullText,    // a null string
    EmptyText,   // a string, empty
    SomeText,    // a string, any
    Text,        // the string `text`
    NullOrText,  // null or a non-empty string, as the machine's registry decides
    Integer,     // `integer` (`realRegistryInteger` where the real registry answers)
    Ignored,     // freeString: nothing to answer
};

// What must hold beside the answer.
enum class Effect {
    None,
    Unchanged,       // the scratch files are as they were, nothing new beside them
    RoundTrip,       // cryptString: decryptString gives the text back from hex of the right length
    Enciphered,      // cryptFile: the file is a container, and a second call answers 1
    AppendedList,    // ReadSubKeysInFile: the file holds `text`, else ReadSubKeys' answer for the key or "(null)"
    KeyKept,         // RegDeleteKeyNT: the key is still there
    KeyDeleted,      // RegDeleteKeyNT: the key is gone and a second call answers 2
    ShortName,       // ComputerName: 1 to 15 characters
    ForeignKept,     // freeString: the foreign block is intact and still the host's to free
};

// An argument: nullptr for a null pointer, "@name" for an input the fixture makes, else itself.
struct BadInputCase {
    const char* name;
    const char* exportName;
    std::vector<const char*> arguments;
    Answer answer;
    Effect effect = Effect::None;
    const char* text = nullptr;  // Answer::Text; Effect::AppendedList, where the list is known
    int integer = 0;             // Answer::Integer
    std::optional<int> realRegistryInteger = std::nullopt;  // Windows' status, where it differs
};

void PrintTo(const BadInputCase& c, std::ostream* out) { *out << c.exportName << ' ' << c.name; }

// Results of cryptFile, decryptFile and RegDeleteKeyNT.
constexpr int CANNOT_READ = KELVANE_FILE_CANNOT_READ;
constexpr int ENCRYPTED = KELVANE_FILE_ENCRYPTED;
constexpr int NOT_CONTAINER = KELVANE_FILE_NOT_CONTAINER;
constexpr int BAD_KEY = 1010;        // null or empty key path
constexpr int MISSING = 2;           // ERROR_FILE_NOT_FOUND
constexpr int REFUSED = 5;           // ERROR_ACCESS_DENIED: a key with subkeys
constexpr int BAD_PATHNAME = 161;    // ERROR_BAD_PATHNAME: a path from a leading backslash
constexpr int INVALID_PARAMETER = 87;  // ERROR_INVALID_PARAMETER: Windows' answer for a path too long to pass

// Names with spaces and UTF-8 characters that the Windows code page 1252 also holds, so
// that the narrow calls of the fixture and the library agree on them under Wine.
const std::string SPACED_FOLDER = "Ordner mit Leerzeichen";
const std::string SPACED_FILE = "Datei \xC3\xBC\xC3\xA9 \xE2\x82\xAC.txt";
const std::string LIST_FILE = "Liste \xC3\xA4.txt";
const std::string LISTED_KEY = "Schl\xC3\xBCssel mit Leerzeichen";
constexpr const char* SUBKEY = "Unter \xC3\xA9";
const std::string LEAF_KEY = "Blatt \xC3\xA4";
const std::string VALUE_NAME = "Wert mit Leerzeichen";
// What ReadSubKeysInFile appends when there is no list.
constexpr const char* NO_LIST = "(null)";
constexpr const char* VALUE_DATA = "Daten mit Leerzeichen";
constexpr std::size_t HUGE_LENGTH = std::size_t{1} << 20;  // 1 MiB
constexpr std::size_t WRAP_LENGTH = std::size_t{1} << 16;  // what a 16-bit length count wraps at

const BadInputCase CASES[] = {
    {"NullText", "cryptString", {nullptr, "pass"}, Answer::NullText},
    {"NullPassPhrase", "cryptString", {"text", nullptr}, Answer::NullText},
    {"BothNull", "cryptString", {nullptr, nullptr}, Answer::NullText},
    {"EmptyText", "cryptString", {"", "pass"}, Answer::EmptyText},
    {"EmptyPassPhrase", "cryptString", {"text", ""}, Answer::SomeText, Effect::RoundTrip},
    {"HugeText", "cryptString", {"@huge", "pass"}, Answer::SomeText, Effect::RoundTrip},
    {"HugePassPhrase", "cryptString", {"text", "@huge"}, Answer::SomeText, Effect::RoundTrip},
    {"HighBytes", "cryptString", {"@high", "@high"}, Answer::SomeText, Effect::RoundTrip},

    {"NullHex", "decryptString", {nullptr, "pass"}, Answer::NullText},
    {"NullPassPhrase", "decryptString", {"00112233", nullptr}, Answer::NullText},
    {"EmptyHex", "decryptString", {"", "pass"}, Answer::EmptyText},
    {"OddLength", "decryptString", {"ABC", "pass"}, Answer::NullText},
    {"HugeOddLength", "decryptString", {"@hugeOddHex", "pass"}, Answer::NullText},
    {"HugeHex", "decryptString", {"@hugeHex", "pass"}, Answer::SomeText},
    {"HighBytesAsHex", "decryptString", {"@high", "@high"}, Answer::SomeText},
    {"EmptyPassPhrase", "decryptString", {"0011223344556677", ""}, Answer::SomeText},

    {"NullPath", "cryptFile", {nullptr}, Answer::Integer, Effect::Unchanged, nullptr, CANNOT_READ},
    {"EmptyPath", "cryptFile", {""}, Answer::Integer, Effect::Unchanged, nullptr, CANNOT_READ},
    {"Folder", "cryptFile", {"@folder"}, Answer::Integer, Effect::Unchanged, nullptr, CANNOT_READ},
    {"FileAsFolder", "cryptFile", {"@fileAsFolder"}, Answer::Integer, Effect::Unchanged, nullptr, CANNOT_READ},
    {"MissingFile", "cryptFile", {"@missingFile"}, Answer::Integer, Effect::Unchanged, nullptr, CANNOT_READ},
    {"HugePath", "cryptFile", {"@hugePath"}, Answer::Integer, Effect::Unchanged, nullptr, CANNOT_READ},
    {"HighBytesPath", "cryptFile", {"@high"}, Answer::Integer, Effect::Unchanged, nullptr, CANNOT_READ},
    {"PathLongerThanACountedString", "cryptFile", {"@wrappingFile"}, Answer::Integer, Effect::Unchanged, nullptr,
     CANNOT_READ},
    {"SpacedNonAsciiPath", "cryptFile", {"@spacedFile"}, Answer::Integer, Effect::Enciphered, nullptr, ENCRYPTED},
    {"QuestionMarksOfAHostConversion", "cryptFile", {"@questionFile"}, Answer::Integer, Effect::Unchanged, nullptr,
     CANNOT_READ},
    {"ControlCharacter", "cryptFile", {"@controlFile"}, Answer::Integer, Effect::Unchanged, nullptr, CANNOT_READ},

    // Windows' device names open no file to encipher there, as a path that is no regular
    // file on Linux (where these name files that do not exist).
    {"WindowsDeviceNul", "cryptFile", {"NUL"}, Answer::Integer, Effect::Unchanged, nullptr, CANNOT_READ},
    {"WindowsDevicePathNul", "cryptFile", {"\\\\.\\NUL"}, Answer::Integer, Effect::Unchanged, nullptr, CANNOT_READ},
    {"WindowsDeviceNulWithExtension", "cryptFile", {"C:\\nul.txt"}, Answer::Integer, Effect::Unchanged, nullptr,
     CANNOT_READ},
    {"WindowsDeviceCom1", "cryptFile", {"COM1"}, Answer::Integer, Effect::Unchanged, nullptr, CANNOT_READ},

    {"NullPath", "decryptFile", {nullptr}, Answer::Integer, Effect::Unchanged, nullptr, CANNOT_READ},
    {"EmptyPath", "decryptFile", {""}, Answer::Integer, Effect::Unchanged, nullptr, CANNOT_READ},
    {"Folder", "decryptFile", {"@folder"}, Answer::Integer, Effect::Unchanged, nullptr, CANNOT_READ},
    {"MissingFile", "decryptFile", {"@missingFile"}, Answer::Integer, Effect::Unchanged, nullptr, CANNOT_READ},
    {"HugePath", "decryptFile", {"@hugePath"}, Answer::Integer, Effect::Unchanged, nullptr, CANNOT_READ},
    {"QuestionMarksOfAHostConversion", "decryptFile", {"@questionFile"}, Answer::Integer, Effect::Unchanged,
     nullptr, CANNOT_READ},
    {"PlainSpacedNonAsciiPath", "decryptFile", {"@spacedFile"}, Answer::Integer, Effect::Unchanged, nullptr,
     NOT_CONTAINER},
    {"WindowsDeviceNul", "decryptFile", {"NUL"}, Answer::Integer, Effect::Unchanged, nullptr, CANNOT_READ},
    {"WindowsDevicePathNul", "decryptFile", {"\\\\.\\NUL"}, Answer::Integer, Effect::Unchanged, nullptr,
     CANNOT_READ},
    {"WindowsDeviceNulWithExtension", "decryptFile", {"C:\\nul.txt"}, Answer::Integer, Effect::Unchanged, nullptr,
     CANNOT_READ},
    {"WindowsDeviceCom1", "decryptFile", {"COM1"}, Answer::Integer, Effect::Unchanged, nullptr, CANNOT_READ},

    {"BothNull", "ReadSubKeysInFile", {nullptr, nullptr}, Answer::Integer, Effect::Unchanged},
    {"NullFile", "ReadSubKeysInFile", {"@listedKey", nullptr}, Answer::Integer, Effect::Unchanged},
    {"EmptyFile", "ReadSubKeysInFile", {"@listedKey", ""}, Answer::Integer, Effect::Unchanged},
    {"FolderAsFile", "ReadSubKeysInFile", {"@listedKey", "@folder"}, Answer::Integer, Effect::Unchanged},
    {"FileAsFolder", "ReadSubKeysInFile", {"@listedKey", "@fileAsFolder"}, Answer::Integer, Effect::Unchanged},
    {"HugeFilePath", "ReadSubKeysInFile", {"@listedKey", "@hugePath"}, Answer::Integer, Effect::Unchanged},
    {"FilePathLongerThanACountedString", "ReadSubKeysInFile", {"@listedKey", "@wrappingFile"}, Answer::Integer,
     Effect::Unchanged},
    {"SpacedNonAsciiKeyAndFile", "ReadSubKeysInFile", {"@listedKey", "@listFile"}, Answer::Integer,
     Effect::AppendedList, SUBKEY},
    {"NullKey", "ReadSubKeysInFile", {nullptr, "@listFile"}, Answer::Integer, Effect::AppendedList},
    {"EmptyKey", "ReadSubKeysInFile", {"", "@listFile"}, Answer::Integer, Effect::AppendedList},
    {"MissingKey", "ReadSubKeysInFile", {"@missingKey", "@listFile"}, Answer::Integer, Effect::AppendedList, NO_LIST},
    {"HugeKey", "ReadSubKeysInFile", {"@hugeKey", "@listFile"}, Answer::Integer, Effect::AppendedList, NO_LIST},
    {"KeyLongerThanACountedString", "ReadSubKeysInFile", {"@wrappingListedKey", "@listFile"}, Answer::Integer,
     Effect::AppendedList, NO_LIST},
    {"HighBytesKey", "ReadSubKeysInFile", {"@highKey", "@listFile"}, Answer::Integer, Effect::AppendedList, NO_LIST},

    {"NullKey", "ReadSubKeys", {nullptr}, Answer::NullOrText},
    {"EmptyKey", "ReadSubKeys", {""}, Answer::NullOrText},
    {"SpacedNonAsciiKey", "ReadSubKeys", {"@listedKey"}, Answer::Text, Effect::None, SUBKEY},
    {"KeyWithoutSubKeys", "ReadSubKeys", {"@leafKey"}, Answer::NullText},
    {"MissingKey", "ReadSubKeys", {"@missingKey"}, Answer::NullText},
    {"HugeKey", "ReadSubKeys", {"@hugeKey"}, Answer::NullText},
    {"HighBytesKey", "ReadSubKeys", {"@highKey"}, Answer::NullText},
    {"KeyLongerThanACountedString", "ReadSubKeys", {"@wrappingListedKey"}, Answer::NullText},
    {"LeadingBackslash", "ReadSubKeys", {"@rootedKey"}, Answer::NullText},

    {"NoArguments", "ReadSubValues", {}, Answer::NullOrText},

    {"BothNull", "ReadKeyValue", {nullptr, nullptr}, Answer::NullText},
    {"NullKey", "ReadKeyValue", {nullptr, "@valueName"}, Answer::NullText},
    {"NullValueNameIsTheUnsetUnnamedValue", "ReadKeyValue", {"@leafKey", nullptr}, Answer::NullText},
    {"EmptyValueNameIsTheUnsetUnnamedValue", "ReadKeyValue", {"@leafKey", ""}, Answer::NullText},
    {"SpacedNonAsciiKey", "ReadKeyValue", {"@leafKey", "@valueName"}, Answer::Text, Effect::None, VALUE_DATA},
    {"HugeValueName", "ReadKeyValue", {"@leafKey", "@huge"}, Answer::NullText},
    {"HighBytesValueName", "ReadKeyValue", {"@leafKey", "@high"}, Answer::NullText},
    {"HugeKey", "ReadKeyValue", {"@hugeKey", "@valueName"}, Answer::NullText},
    {"KeyLongerThanACountedString", "ReadKeyValue", {"@wrappingLeafKey", "@valueName"}, Answer::NullText},
    {"ValueNameLongerThanACountedString", "ReadKeyValue", {"@leafKey", "@wrappingValueName"}, Answer::NullText},
    {"MissingKey", "ReadKeyValue", {"@missingKey", "@valueName"}, Answer::NullText},
    {"FolderOfTheFileAsKey", "ReadKeyValue", {"@folder", "@valueName"}, Answer::NullText},

    {"NullKey", "RegDeleteKeyNT", {nullptr}, Answer::Integer, Effect::None, nullptr, BAD_KEY},
    {"EmptyKey", "RegDeleteKeyNT", {""}, Answer::Integer, Effect::None, nullptr, BAD_KEY},
    {"MissingKey", "RegDeleteKeyNT", {"@missingKey"}, Answer::Integer, Effect::None, nullptr, MISSING},
    {"HighBytesKey", "RegDeleteKeyNT", {"@highKey"}, Answer::Integer, Effect::None, nullptr, MISSING},
    {"HugeKey", "RegDeleteKeyNT", {"@hugeKey"}, Answer::Integer, Effect::KeyKept, nullptr, MISSING,
     INVALID_PARAMETER},
    {"KeyLongerThanACountedString", "RegDeleteKeyNT", {"@wrappingLeafKey"}, Answer::Integer, Effect::KeyKept,
     nullptr, MISSING, INVALID_PARAMETER},
    {"LeadingBackslash", "RegDeleteKeyNT", {"@rootedKey"}, Answer::Integer, Effect::KeyKept, nullptr, BAD_PATHNAME},
    {"KeyWithSubKeys", "RegDeleteKeyNT", {"@listedKey"}, Answer::Integer, Effect::KeyKept, nullptr, REFUSED},
    {"SpacedNonAsciiLeaf", "RegDeleteKeyNT", {"@leafKey"}, Answer::Integer, Effect::KeyDeleted, nullptr, 0},

    {"NoArguments", "ComputerName", {}, Answer::SomeText, Effect::ShortName},

    {"Null", "freeString", {nullptr}, Answer::Ignored},
    {"HostStackText", "freeString", {"@hostStackText"}, Answer::Ignored, Effect::ForeignKept},
    {"HostHugeHeapBlock", "freeString", {"@hostHeapBlock"}, Answer::Ignored, Effect::ForeignKept},
    {"InsideAResult", "freeString", {"@insideResult"}, Answer::Ignored, Effect::ForeignKept},
    {"ResultAlreadyFreed", "freeString", {"@freedResult"}, Answer::Ignored},
};

// 1 MiB of `unit` repeated, cut to `length`.
std::string repeated(const std::string& unit, std::size_t length) {
    std::string text;
    text.reserve(length + unit.size());
    while (text.size() < length) text += unit;
    text.resize(length);
    return text;
}

// Every byte from 128 to 255, each once.
std::string highBytes() {
    std::string text;
    for (int b = 128; b < 256; ++b) text += static_cast<char>(b);
    return text;
}

// The state of the scratch files that a refused call must leave alone.
struct ScratchState {
    Bytes spacedFile;
    Bytes someFile;
    bool listFileExists;
    std::size_t entries;

    bool operator==(const ScratchState& other) const {
        return spacedFile == other.spacedFile && someFile == other.someFile &&
               listFileExists == other.listFileExists && entries == other.entries;
    }
};

// Entries below `root`, counted without converting their names.
std::size_t countEntries(const std::string& root) {
    std::size_t count = 0;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        ++count;
    }
    return count;
}

class BadInputMatrix : public ::testing::TestWithParam<BadInputCase> {
protected:
    RegistryFixture registry;
    ScratchFolder scratch;
    tools::LoadedLibrary library{libraryPath()};
    std::map<std::string, std::string> inputs;
    const Bytes spacedContents = textBytes("contents of a file whose name has spaces", false);

    // Where the registry exports read the machine's own registry rather than fixture hives.
    bool realRegistry() const { return registry.hiveFolder().empty(); }
    std::string spacedFolder() const { return scratch.path(SPACED_FOLDER); }

    void SetUp() override {
        ASSERT_TRUE(library.loaded()) << library.error();
        std::filesystem::create_directory(spacedFolder());
        inputs["@spacedFile"] = spacedFolder() + "/" + SPACED_FILE;
        writeFile(inputs["@spacedFile"], spacedContents);
        inputs["@folder"] = spacedFolder();
        inputs["@someFile"] = scratch.path("somefile");
        writeFile(inputs["@someFile"], textBytes("a file, not a folder", false));
        inputs["@fileAsFolder"] = inputs["@someFile"] + "/inner.txt";
        inputs["@missingFile"] = spacedFolder() + "/fehlt \xC3\xBC.txt";
        // What a host's ANSI conversion leaves of a Greek name; Windows names hold no '?'.
        inputs["@questionFile"] = spacedFolder() + "/????? ?.txt";
        inputs["@controlFile"] = spacedFolder() + "/tab\there.txt";
        inputs["@listFile"] = spacedFolder() + "/" + LIST_FILE;
        inputs["@hugePath"] = spacedFolder() + "/" + std::string(HUGE_LENGTH, 'a');

        inputs["@huge"] = std::string(HUGE_LENGTH, 'a');
        inputs["@hugeHex"] = repeated("0123456789ABCDEF", HUGE_LENGTH);
        inputs["@hugeOddHex"] = repeated("0123456789ABCDEF", HUGE_LENGTH + 1);
        inputs["@high"] = highBytes();

        inputs["@listedKey"] = registry.keyPath(LISTED_KEY);
        registry.createKey(inputs["@listedKey"] + "\\" + SUBKEY);
        inputs["@leafKey"] = registry.keyPath(LEAF_KEY);
        registry.createKey(inputs["@leafKey"]);
        registry.setValue(inputs["@leafKey"], VALUE_NAME, ValueType::String, textBytes(VALUE_DATA));
        inputs["@valueName"] = VALUE_NAME;
        inputs["@missingKey"] = registry.keyPath("Fehlt \xC3\xBC");
        inputs["@highKey"] = registry.keyPath(highBytes());
        inputs["@hugeKey"] = registry.keyPath(std::string(HUGE_LENGTH, 'a'));
        inputs["@rootedKey"] = "\\" + inputs["@leafKey"];
        // Names with 64 Ki characters more, whose length a 16-bit count would wrap back to the name.
        inputs["@wrappingFile"] = inputs["@spacedFile"] + std::string(WRAP_LENGTH, 'x');
        inputs["@wrappingListedKey"] = inputs["@listedKey"] + std::string(WRAP_LENGTH, 'x');
        inputs["@wrappingLeafKey"] = inputs["@leafKey"] + std::string(WRAP_LENGTH, 'x');
        inputs["@wrappingValueName"] = VALUE_NAME + std::string(WRAP_LENGTH, 'x');
    }

    // The arguments of a case, with the fixture's inputs in place of their names.
    std::vector<const char*> resolve(const std::vector<const char*>& arguments) {
        std::vector<const char*> resolved;
        for (const char* argument : arguments) {
            const bool named = argument != nullptr && argument[0] == '@';
            if (named && inputs.count(argument) == 0) ADD_FAILURE() << "no input " << argument;
            resolved.push_back(named ? inputs[argument].c_str() : argument);
        }
        return resolved;
    }

    CallResult call(const char* name, const std::vector<const char*>& arguments) {
        const ExportInfo* info = tools::findExport(name);
        if (info == nullptr) {
            ADD_FAILURE() << "no export " << name;
            return {};
        }
        return tools::callExport(*info, library.symbol(name), library.symbol(tools::FREE_EXPORT), arguments);
    }

    ScratchState scratchState() {
        return {readFile(inputs["@spacedFile"]), readFile(inputs["@someFile"]), fileExists(inputs["@listFile"]),
                countEntries(scratch.root())};
    }

    void checkAnswer(const BadInputCase& c, const CallResult& result) {
        switch (c.answer) {
        case Answer::NullText:
            EXPECT_TRUE(result.isNull) << "answer " << toHex(Bytes(result.text.begin(), result.text.end()));
            break;
        case Answer::EmptyText:
            EXPECT_FALSE(result.isNull);
            EXPECT_EQ(result.text, "");
            break;
        case Answer::SomeText:
            EXPECT_FALSE(result.isNull);
            break;
        case Answer::Text:
            ASSERT_FALSE(result.isNull);
            EXPECT_EQ(result.text, c.text);
            break;
        case Answer::NullOrText:
            if (!result.isNull) {
                EXPECT_FALSE(result.text.empty()) << "an empty list instead of null";
            }
            break;
        case Answer::Integer:
            EXPECT_EQ(result.integer, realRegistry() && c.realRegistryInteger ? *c.realRegistryInteger : c.integer);
            break;
        case Answer::Ignored:
            break;
        }
    }

    void checkEffect(const BadInputCase& c, const std::vector<const char*>& arguments, const CallResult& result,
                     const ScratchState& before) {
        switch (c.effect) {
        case Effect::None:
        case Effect::ForeignKept:
            break;
        case Effect::Unchanged:
            EXPECT_TRUE(scratchState() == before) << "the scratch files changed";
            break;
        case Effect::RoundTrip: {
            EXPECT_EQ(result.text.size(), 2 * paddedLength(std::strlen(arguments[0])));
            const CallResult back = call("decryptString", {result.text.c_str(), arguments[1]});
            ASSERT_FALSE(back.isNull);
            EXPECT_EQ(toHex(Bytes(back.text.begin(), back.text.end())),
                      toHex(Bytes(arguments[0], arguments[0] + std::strlen(arguments[0]))));
            break;
        }
        case Effect::Enciphered:
            EXPECT_EQ(readFile(arguments[0]).size(), HEADER_SIZE + paddedLength(spacedContents.size()));
            EXPECT_EQ(call("cryptFile", arguments).integer, KELVANE_FILE_ALREADY);
            break;
        case Effect::AppendedList: {
            const CallResult list = call("ReadSubKeys", {arguments[0]});
            const std::string expected = c.text != nullptr ? c.text : list.isNull ? NO_LIST : list.text;
            const Bytes written = readFile(arguments[1]);
            EXPECT_EQ(std::string(written.begin(), written.end()), expected);
            break;
        }
        case Effect::KeyKept:
            EXPECT_TRUE(registry.keyExists(inputs["@leafKey"]));
            EXPECT_TRUE(registry.keyExists(inputs["@listedKey"]));
            break;
        case Effect::KeyDeleted:
            EXPECT_FALSE(registry.keyExists(arguments[0]));
            EXPECT_EQ(call("RegDeleteKeyNT", arguments).integer, MISSING);
            break;
        case Effect::ShortName:
            EXPECT_GE(result.text.size(), 1u);
            EXPECT_LE(result.text.size(), 15u);
            break;
        }
    }

    // freeString with what a host must not hand it: each is ignored, the block untouched.
    void runFreeCase(const BadInputCase& c) {
        using FreeString = void(KELVANE_CALL*)(char*);
        using CryptString = char*(KELVANE_CALL*)(const char*, const char*);
        auto freeString = reinterpret_cast<FreeString>(library.symbol(tools::FREE_EXPORT));
        auto cryptString = reinterpret_cast<CryptString>(library.symbol("cryptString"));
        ASSERT_NE(freeString, nullptr);
        ASSERT_NE(cryptString, nullptr);

        const std::string argument = c.arguments[0] != nullptr ? c.arguments[0] : "";
        if (c.arguments[0] == nullptr) {
            freeString(nullptr);
        } else if (argument == "@hostStackText") {
            char stackText[] = "the host's own text";
            freeString(stackText);
            EXPECT_STREQ(stackText, "the host's own text");
        } else if (argument == "@hostHeapBlock") {
            char* block = static_cast<char*>(std::malloc(HUGE_LENGTH + 1));
            ASSERT_NE(block, nullptr);
            std::memset(block, 'h', HUGE_LENGTH);
            block[HUGE_LENGTH] = '\0';
            freeString(block);
            EXPECT_EQ(std::strlen(block), HUGE_LENGTH);
            std::free(block);  // still the host's: freeing it here is the only free
        } else if (argument == "@insideResult") {
            char* result = cryptString("a result", "k");
            ASSERT_NE(result, nullptr);
            const std::string before = result;
            freeString(result + 1);
            EXPECT_EQ(std::string(result), before);
            freeString(result);
        } else if (argument == "@freedResult") {
            char* result = cryptString("a result", "k");
            ASSERT_NE(result, nullptr);
            freeString(result);
            freeString(result);
        } else {
            ADD_FAILURE() << "no pointer " << argument;
        }
    }
};

TEST_P(BadInputMatrix, GivesTheDocumentedResult) {
    const BadInputCase& c = GetParam();
    if (std::string(c.exportName) == tools::FREE_EXPORT) {
        runFreeCase(c);
        return;
    }
    const std::vector<const char*> arguments = resolve(c.arguments);
    const ScratchState before = scratchState();
    const CallResult result = call(c.exportName, arguments);
    checkAnswer(c, result);
    checkEffect(c, arguments, result, before);
}

// Every export has cases here; a new export without any fails.
TEST(BadInputMatrixCoverage, EveryExportHasCases) {
    for (const ExportInfo& info : tools::exportTable()) {
        bool covered = false;
        for (const BadInputCase& c : CASES) covered = covered || std::string(c.exportName) == info.name;
        EXPECT_TRUE(covered) << info.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Exports, BadInputMatrix, ::testing::ValuesIn(CASES),
                         [](const ::testing::TestParamInfo<BadInputCase>& info) {
                             return std::string(info.param.exportName) + "_" + info.param.name;
                         });

}  // namespace
}  // namespace kelvane::test
