// The wide twins through the loaded DLL, with folders, files, keys and values named in
// Greek and Japanese, which no single ANSI code page holds. Where a row's names do fit
// the code page, the narrow export must answer alike: the twins differ only in their text.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "exports/export_table.h"
#include "kelvane.h"
#include "library_loader.h"
#include "platform/win32/wide_text.h"
#include "support/test_support.h"

namespace kelvane::test {
namespace {

// Names made by the fixture: a folder, a file and a key in Greek and Japanese.
const std::wstring FOLDER = L"Φάκελος フォルダ";
const std::wstring FILE_NAME = L"αρχείο 設定.ini";
const std::wstring KEY = L"Κλειδί 鍵";
const std::wstring SUBKEYS[] = {L"Άλφα", L"ベータ"};
const std::wstring LEAF = L"Φύλλο 葉";
const std::wstring VALUE_NAME = L"Τιμή 値";
const std::wstring VALUE_DATA = L"Größe 大きさ";
// A key and value whose names the code page holds, for the rows the narrow twin shares.
const std::wstring ANSI_KEY = L"Größe";
const std::wstring ANSI_VALUE = L"Maß";

// What must hold after the call.
enum class Effect {
    None,
    Enciphered,  // the file is a container: a second call answers 1, decryptFileW gives it back
    Utf8List,    // the list file holds the subkey names in UTF-8
    KeyDeleted,  // the key is gone, and a second call answers 2
    StoredBytes, // the narrow export gives the stored bytes: each unit of the wide text, narrowed
};

// What a row must give: a text (null: a null result), or an integer.
struct WideCase {
    const char* name;
    const char* exportName;                  // the narrow export; the row calls its twin
    std::vector<const wchar_t*> arguments;   // "@name" for an input the fixture makes
    std::optional<std::wstring> text;        // a text result; nullopt for null
    int integer = 0;                         // an integer result
    bool sameAsNarrow = false;               // the narrow export, given the same names, answers alike
    Effect effect = Effect::None;
};

void PrintTo(const WideCase& c, std::ostream* out) { *out << c.exportName << "W " << c.name; }

constexpr int MISSING = 2;     // ERROR_FILE_NOT_FOUND
constexpr int BAD_KEY = 1010;  // a null or empty key path

const WideCase CASES[] = {
    {"GreekJapanesePath", "cryptFile", {L"@file"}, {}, KELVANE_FILE_ENCRYPTED, false, Effect::Enciphered},
    {"NullPath", "cryptFile", {nullptr}, {}, KELVANE_FILE_CANNOT_READ, true},
    {"MissingFile", "cryptFile", {L"@missingFile"}, {}, KELVANE_FILE_CANNOT_READ},
    {"NameNoFileHolds", "cryptFile", {L"@questionFile"}, {}, KELVANE_FILE_CANNOT_READ, true},
    {"GreekJapanesePlainFile", "decryptFile", {L"@file"}, {}, KELVANE_FILE_NOT_CONTAINER},
    {"NullPath", "decryptFile", {nullptr}, {}, KELVANE_FILE_CANNOT_READ, true},
    {"GreekJapaneseKey", "ReadSubKeys", {L"@key"}, L"Άλφα,ベータ"},
    {"MissingKey", "ReadSubKeys", {L"@missingKey"}, std::nullopt},
    {"AnsiKey", "ReadSubKeys", {L"@ansiKey"}, L"Sub", 0, true},
    {"GreekJapaneseKeyAndFile", "ReadSubKeysInFile", {L"@key", L"@listFile"}, {}, 0, false, Effect::Utf8List},
    {"NullKeyAndFile", "ReadSubKeysInFile", {nullptr, nullptr}, {}, 0, true},
    {"MachineKey", "ReadSubValues", {}, {}, 0, true},
    {"GreekJapaneseNames", "ReadKeyValue", {L"@key", L"@valueName"}, VALUE_DATA},
    {"MissingValue", "ReadKeyValue", {L"@key", L"@missingKey"}, std::nullopt},
    {"AnsiNames", "ReadKeyValue", {L"@ansiKey", L"@ansiValue"}, L"ok", 0, true},
    // Data that is not text: each stored byte as the unit of its number, up to the first zero byte.
    {"Number1433", "ReadKeyValue", {L"@ansiKey", L"@number"}, L"\x99\x05", 0, false, Effect::StoredBytes},
    {"BytesAbove0x7F", "ReadKeyValue", {L"@ansiKey", L"@bytes"}, L"\xC3\xA9\xFF", 0, false, Effect::StoredBytes},
    {"GreekJapaneseLeaf", "RegDeleteKeyNT", {L"@leaf"}, {}, 0, false, Effect::KeyDeleted},
    {"MissingKey", "RegDeleteKeyNT", {L"@missingKey"}, {}, MISSING},
    {"NullKey", "RegDeleteKeyNT", {nullptr}, {}, BAD_KEY, true},
    {"EmptyKey", "RegDeleteKeyNT", {L""}, {}, BAD_KEY, true},
    {"Machine", "ComputerName", {}, {}, 0, true},
};

using Text0 = wchar_t*(KELVANE_CALL*)();
using Text1 = wchar_t*(KELVANE_CALL*)(const wchar_t*);
using Text2 = wchar_t*(KELVANE_CALL*)(const wchar_t*, const wchar_t*);
using Int1 = int(KELVANE_CALL*)(const wchar_t*);
using Int2 = int(KELVANE_CALL*)(const wchar_t*, const wchar_t*);
using Free = void(KELVANE_CALL*)(wchar_t*);

struct WideResult {
    std::optional<std::wstring> text;
    int integer = 0;
};

class WideExports : public ::testing::TestWithParam<WideCase> {
protected:
    ScratchFolder scratch;
    tools::LoadedLibrary library{libraryPath()};
    std::wstring root = L"SOFTWARE\\KelvaneWideTest-" + std::to_wstring(std::random_device()());
    std::map<std::wstring, std::wstring> inputs;

    void SetUp() override {
        ASSERT_TRUE(library.loaded()) << library.error();
        const std::wstring folder = wide(scratch.root()) + L"\\" + FOLDER;
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        inputs[L"@file"] = folder + L"\\" + FILE_NAME;
        writeWide(inputs[L"@file"], "settings");
        inputs[L"@missingFile"] = folder + L"\\" + L"λείπει.ini";
        inputs[L"@questionFile"] = folder + L"\\" + L"?.ini";
        inputs[L"@listFile"] = folder + L"\\" + L"λίστα.txt";
        inputs[L"@key"] = root + L"\\" + KEY;
        for (const std::wstring& subKey : SUBKEYS) createKey(inputs[L"@key"] + L"\\" + subKey);
        setValue(inputs[L"@key"], VALUE_NAME, VALUE_DATA);
        inputs[L"@valueName"] = VALUE_NAME;
        inputs[L"@leaf"] = root + L"\\" + LEAF;
        createKey(inputs[L"@leaf"]);
        inputs[L"@missingKey"] = root + L"\\" + L"Λείπει 無い";
        inputs[L"@ansiKey"] = root + L"\\" + ANSI_KEY;
        createKey(inputs[L"@ansiKey"] + L"\\Sub");
        setValue(inputs[L"@ansiKey"], ANSI_VALUE, L"ok");
        inputs[L"@ansiValue"] = ANSI_VALUE;
        inputs[L"@number"] = L"Port";
        setValue(inputs[L"@ansiKey"], L"Port", std::string("\x99\x05\0\0", 4), REG_DWORD);
        inputs[L"@bytes"] = L"Bytes";
        setValue(inputs[L"@ansiKey"], L"Bytes", std::string("\xC3\xA9\xFF\0", 4), REG_BINARY);
    }

    void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, root.c_str()); }

    static std::wstring wide(const std::string& ansi) {
        const platform::WideText converted = platform::wideFromAnsi(ansi.data(), ansi.size());
        return std::wstring(converted.data(), converted.size());
    }

    static void writeWide(const std::wstring& path, const std::string& contents) {
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
        CloseHandle(file);
    }

    static void createKey(const std::wstring& path) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    static void setValue(const std::wstring& path, const std::wstring& name, const std::wstring& data) {
        const std::wstring terminated = data + L'\0';
        setValue(path, name, std::string(reinterpret_cast<const char*>(terminated.data()), terminated.size() * 2),
                 REG_SZ);
    }

    static void setValue(const std::wstring& path, const std::wstring& name, const std::string& bytes, DWORD type) {
        HKEY key;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
        RegSetValueExW(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size()));
        RegCloseKey(key);
    }

    // The bytes of the file at `path`, empty when it cannot be read.
    static std::string readWide(const wchar_t* path) {
        const HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return {};
        std::string contents(4096, '\0');
        DWORD got = 0;
        ReadFile(file, contents.data(), static_cast<DWORD>(contents.size()), &got, nullptr);
        CloseHandle(file);
        contents.resize(got);
        return contents;
    }

    std::vector<const wchar_t*> resolve(const std::vector<const wchar_t*>& arguments) {
        std::vector<const wchar_t*> resolved;
        for (const wchar_t* argument : arguments) {
            const bool named = argument != nullptr && argument[0] == L'@';
            resolved.push_back(named ? inputs.at(argument).c_str() : argument);
        }
        return resolved;
    }

    // The wide twin of `info` called with `arguments`; a text result is copied and freed.
    WideResult callWide(const tools::ExportInfo& info, const std::vector<const wchar_t*>& arguments) {
        void* address = library.symbol((std::string(info.name) + "W").c_str());
        const wchar_t* a = arguments.size() > 0 ? arguments[0] : nullptr;
        const wchar_t* b = arguments.size() > 1 ? arguments[1] : nullptr;
        WideResult result;
        if (address == nullptr) {
            ADD_FAILURE() << info.name << "W not exported";
        } else if (info.result != tools::ResultKind::Text) {
            result.integer = arguments.size() == 1 ? reinterpret_cast<Int1>(address)(a)
                                                   : reinterpret_cast<Int2>(address)(a, b);
        } else {
            wchar_t* text = arguments.empty()      ? reinterpret_cast<Text0>(address)()
                            : arguments.size() == 1 ? reinterpret_cast<Text1>(address)(a)
                                                    : reinterpret_cast<Text2>(address)(a, b);
            if (text != nullptr) result.text = std::wstring(text);
            reinterpret_cast<Free>(library.symbol(tools::FREE_EXPORT))(text);
        }
        return result;
    }

    // The narrow export with the same names in the ANSI code page.
    tools::CallResult callNarrowBytes(const tools::ExportInfo& info, const std::vector<const wchar_t*>& arguments) {
        std::vector<std::string> texts;
        for (const wchar_t* argument : arguments) {
            platform::Text ansi;
            if (argument != nullptr) platform::ansiFromWide(argument, wcslen(argument), true, &ansi);
            texts.emplace_back(ansi.data(), ansi.size());
        }
        std::vector<const char*> narrow;
        for (std::size_t i = 0; i < arguments.size(); ++i) narrow.push_back(arguments[i] ? texts[i].c_str() : nullptr);
        return tools::callExport(info, library.symbol(info.name), library.symbol(tools::FREE_EXPORT), narrow);
    }

    // The same, its result widened.
    WideResult callNarrow(const tools::ExportInfo& info, const std::vector<const wchar_t*>& arguments) {
        const tools::CallResult called = callNarrowBytes(info, arguments);
        WideResult result{std::nullopt, called.integer};
        if (info.result == tools::ResultKind::Text && !called.isNull) result.text = wide(called.text);
        return result;
    }
};

TEST_P(WideExports, GiveTheirNarrowTwinsResults) {
    const WideCase& c = GetParam();
    const tools::ExportInfo* info = tools::findExport(c.exportName);
    ASSERT_NE(info, nullptr);
    const std::vector<const wchar_t*> arguments = resolve(c.arguments);
    const WideResult result = callWide(*info, arguments);
    if (c.sameAsNarrow) {
        const WideResult narrow = callNarrow(*info, arguments);
        EXPECT_EQ(result.text, narrow.text);
        EXPECT_EQ(result.integer, narrow.integer);
    }
    if (info->result != tools::ResultKind::Text) {
        EXPECT_EQ(result.integer, c.integer);
    } else if (!c.sameAsNarrow) {
        EXPECT_EQ(result.text, c.text);
    }
}

// What the calls leave: the container, the list in UTF-8, the key gone.
TEST_P(WideExports, LeaveTheirEffects) {
    const WideCase& c = GetParam();
    const std::vector<const wchar_t*> arguments = resolve(c.arguments);
    const tools::ExportInfo& info = *tools::findExport(c.exportName);
    callWide(info, arguments);
    switch (c.effect) {
    case Effect::None:
        break;
    case Effect::Enciphered:
        EXPECT_NE(readWide(arguments[0]), "settings");
        EXPECT_EQ(callWide(info, arguments).integer, KELVANE_FILE_ALREADY);
        EXPECT_EQ(callWide(*tools::findExport("decryptFile"), arguments).integer, KELVANE_FILE_RESTORED);
        EXPECT_EQ(readWide(arguments[0]), "settings");
        break;
    case Effect::Utf8List:
        EXPECT_EQ(readWide(arguments[1]), u8"Άλφα,ベータ");
        break;
    case Effect::StoredBytes: {
        const std::string stored(c.text->begin(), c.text->end());
        EXPECT_EQ(callNarrowBytes(info, arguments).text, stored);
        break;
    }
    case Effect::KeyDeleted: {
        HKEY key;
        EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, arguments[0], 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(callWide(info, arguments).integer, MISSING);
        break;
    }
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, WideExports, ::testing::ValuesIn(CASES),
                         [](const ::testing::TestParamInfo<WideCase>& info) {
                             return std::string(info.param.exportName) + "W_" + info.param.name;
                         });

}  // namespace
}  // namespace kelvane::test
