// The Unicode kelvane_nsis.dll of this build's pointer size, called as NSIS calls a plugin:
// arguments on a stack of GlobalAlloc'd nodes, one result pushed, the error flag set exactly
// where the command-line host exits 1, and nothing below the arguments touched.
#define KELVANE_NSIS_CHAR wchar_t
#include "nsis_plugin/nsis_api.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "library_loader.h"
#include "support/test_support.h"

namespace kelvane::test {
namespace {

using nsis::ExecFlags;
using nsis::ExtraParameters;
using nsis::StackNode;

// The NSIS target whose plugin this build makes for Unicode installers.
constexpr const char* UNICODE_TARGET = sizeof(void*) == 8 ? "amd64-unicode" : "x86-unicode";
// NSIS_MAX_STRLEN of the default build.
constexpr int STRING_SIZE = 1024;
// Left below the arguments; must still be there, under the result, after the call.
const std::wstring BELOW = L"below the arguments";

struct PluginCase {
    const char* name;
    const char* function;
    std::vector<std::wstring> arguments;  // in the script's order; "@key" is the fixture's key
    std::wstring pushed;
    bool error;
    int stringSize = STRING_SIZE;
    bool withBelow = true;
};

void PrintTo(const PluginCase& c, std::ostream* out) { *out << c.function << ' ' << c.name; }

const std::wstring CODE_PAGE_HEX = L"1639E51A692BD9ADA792464C35B3AFE8A792464C35B3AFE8A792464C35B3AFE8";
const std::wstring TEXT_HEX = L"CFEC2AC3158C481BBE9375712ED2552891336F5E84332357A792464C35B3AFE8";
const std::wstring MISSING_FILE = L"C:\\Λείπει 無い\\αρχείο.ini";
const std::wstring MISSING_KEY = L"SOFTWARE\\KelvaneNowhere\\Κλειδί 鍵";

const PluginCase CASES[] = {
    {"TextInTheCodePage", "cryptString", {L"Größe", L"pass phrase"}, CODE_PAGE_HEX, false},
    {"TextOutsideTheCodePage", "cryptString", {L"Ελληνικά", L"pass phrase"}, L"", true},
    {"HexFillingTheStrings", "cryptString", {L"Install key: 4711", L"pass phrase"}, TEXT_HEX, false, 65},
    {"HexLongerThanTheStrings", "cryptString", {L"Install key: 4711", L"pass phrase"}, L"", true, 64},
    {"TooFewArguments", "cryptString", {L"Install key: 4711"}, L"", true, STRING_SIZE, false},
    {"HexBack", "decryptString", {CODE_PAGE_HEX, L"pass phrase"}, L"Größe", false},
    {"MissingFile", "cryptFile", {MISSING_FILE}, L"-1", true},
    {"MissingFileThroughTheTwinsName", "cryptFileW", {MISSING_FILE}, L"-1", true},
    {"MissingFile", "decryptFile", {MISSING_FILE}, L"-1", true},
    {"MissingKey", "ReadSubKeys", {MISSING_KEY}, L"", true},
    {"StatusZeroIsNoFailure", "ReadSubKeysInFile", {MISSING_KEY, MISSING_FILE}, L"0", false},
    {"MissingKey", "ReadKeyValue", {MISSING_KEY, L"Τιμή"}, L"", true},
    // Data that is not text: each stored byte as the unit of its number, up to the first zero byte.
    {"Number1433", "ReadKeyValue", {L"@key", L"Port"}, L"\x99\x05", false},
    {"BytesAbove0x7F", "ReadKeyValue", {L"@key", L"Bytes"}, L"\xC3\xA9\xFF", false},
    {"MissingKey", "RegDeleteKeyNT", {MISSING_KEY}, L"2", true},
    {"EmptyKey", "RegDeleteKeyNT", {L""}, L"1010", true},
};

int __stdcall registerCallback(HMODULE, nsis::PluginCallback) { return 0; }

void push(StackNode** top, const std::wstring& text) {
    auto* node = static_cast<StackNode*>(GlobalAlloc(GPTR, sizeof(StackNode) + STRING_SIZE * sizeof(wchar_t)));
    text.copy(node->text, text.size());
    node->next = *top;
    *top = node;
}

// The stack's texts from the top, each node freed.
std::vector<std::wstring> drain(StackNode** top) {
    std::vector<std::wstring> texts;
    while (StackNode* node = *top) {
        texts.emplace_back(node->text);
        *top = node->next;
        GlobalFree(node);
    }
    return texts;
}

using PluginFunction = void(__cdecl*)(HWND, int, wchar_t*, StackNode**, ExtraParameters*);

// The values that are not text, stored in a key of the fixture's own.
struct StoredValue {
    const wchar_t* name;
    DWORD type;
    std::string bytes;
};
const StoredValue STORED_VALUES[] = {
    {L"Port", REG_DWORD, std::string("\x99\x05\0\0", 4)},
    {L"Bytes", REG_BINARY, std::string("\xC3\xA9\xFF\0", 4)},
};

tools::LoadedLibrary loadPlugin(const char* target) {
    return tools::LoadedLibrary(tools::programFolder() + "..\\nsis-plugins\\" + target + "\\kelvane_nsis.dll");
}

// A key of its own holding STORED_VALUES, removed afterwards.
struct StoredKey {
    std::wstring path = L"SOFTWARE\\KelvaneNsisTest-" + std::to_wstring(std::random_device()());
    StoredKey() {
        HKEY handle;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                            nullptr) != ERROR_SUCCESS) {
            return;
        }
        for (const StoredValue& value : STORED_VALUES) {
            RegSetValueExW(handle, value.name, 0, value.type, reinterpret_cast<const BYTE*>(value.bytes.data()),
                           static_cast<DWORD>(value.bytes.size()));
        }
        RegCloseKey(handle);
    }
    ~StoredKey() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str()); }
};

class NsisPlugin : public ::testing::TestWithParam<PluginCase> {
protected:
    tools::LoadedLibrary plugin = loadPlugin(UNICODE_TARGET);
    StoredKey key;
};

TEST_P(NsisPlugin, PushesOneResultAndSetsTheErrorFlagOnFailure) {
    const PluginCase& c = GetParam();
    ASSERT_TRUE(plugin.loaded()) << plugin.error();
    auto function = reinterpret_cast<PluginFunction>(plugin.symbol(c.function));
    ASSERT_NE(function, nullptr);
    StackNode* top = nullptr;
    if (c.withBelow) push(&top, BELOW);
    for (auto argument = c.arguments.rbegin(); argument != c.arguments.rend(); ++argument) {
        push(&top, *argument == L"@key" ? key.path : *argument);
    }
    ExecFlags flags{};
    ExtraParameters extra{&flags, nullptr, nullptr, registerCallback};
    std::vector<wchar_t> variables(25 * STRING_SIZE);

    function(nullptr, c.stringSize, variables.data(), &top, &extra);
    std::vector<std::wstring> expected{c.pushed};
    if (c.withBelow) expected.push_back(BELOW);
    EXPECT_EQ(drain(&top), expected);
    EXPECT_EQ(flags.execError, c.error ? 1 : 0);
}

// The ANSI plugin (32-bit builds only) gives a narrow host the stored bytes themselves.
TEST(NsisAnsiPlugin, ReadKeyValueGivesTheStoredBytes) {
    if (sizeof(void*) != 4) GTEST_SKIP() << "x86-ansi is built by the 32-bit build";
    struct NarrowNode {
        NarrowNode* next;
        char text[STRING_SIZE];
    };
    using NarrowFunction = void(__cdecl*)(HWND, int, char*, NarrowNode**, ExtraParameters*);
    const auto pushNarrow = [](NarrowNode** top, const std::string& text) {
        auto* node = static_cast<NarrowNode*>(GlobalAlloc(GPTR, sizeof(NarrowNode)));
        text.copy(node->text, text.size());
        node->next = *top;
        *top = node;
    };
    const tools::LoadedLibrary plugin = loadPlugin("x86-ansi");
    ASSERT_TRUE(plugin.loaded()) << plugin.error();
    const auto function = reinterpret_cast<NarrowFunction>(plugin.symbol("ReadKeyValue"));
    ASSERT_NE(function, nullptr);
    const StoredKey key;
    for (const StoredValue& value : STORED_VALUES) {
        NarrowNode* top = nullptr;
        pushNarrow(&top, std::string(value.name, value.name + wcslen(value.name)));  // ASCII names
        pushNarrow(&top, std::string(key.path.begin(), key.path.end()));
        ExecFlags flags{};
        ExtraParameters extra{&flags, nullptr, nullptr, registerCallback};
        std::vector<char> variables(25 * STRING_SIZE);
        function(nullptr, STRING_SIZE, variables.data(), &top, &extra);
        ASSERT_NE(top, nullptr);
        EXPECT_EQ(std::string(top->text), value.bytes.substr(0, value.bytes.find('\0')));
        EXPECT_EQ(top->next, nullptr);
        EXPECT_EQ(flags.execError, 0);
        GlobalFree(top);
    }
}

INSTANTIATE_TEST_SUITE_P(Functions, NsisPlugin, ::testing::ValuesIn(CASES),
                         [](const ::testing::TestParamInfo<PluginCase>& info) {
                             return std::string(info.param.function) + "_" + info.param.name;
                         });

}  // namespace
}  // namespace kelvane::test
