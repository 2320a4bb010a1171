// kelvane_nsis.dll: the library's exports as NSIS plugin functions. A script writes
// `kelvane_nsis::cryptString "text" "pass phrase"` and pops one result: the text, or a
// number in decimal. A null result, a result longer than the installer's strings, and a
// text that has no form in the ANSI code page push an empty string and set the error flag;
// so does every failure result, exactly where the command-line host exits 1.
#include <cstring>

#include "exports/export_list.h"
#include "nsis_plugin/installer_edge.h"
#include "nsis_plugin/nsis_api.h"
#include "nsis_plugin/plugin_calls.h"

namespace kelvane::nsis {
namespace {

using InstallerText = platform::TextBuffer<Tchar>;
using Edge = InstallerEdge<Tchar>;

// The top of the stack into `text`; false when the stack is empty (or there was no
// memory for the copy; the entry is taken off all the same).
bool pop(StackNode** top, InstallerText* text) {
    StackNode* node = *top;
    if (node == nullptr) return false;
    std::size_t length = 0;
    while (node->text[length] != 0) ++length;
    *text = InstallerText(node->text, length);
    *top = node->next;
    GlobalFree(node);
    return text->valid();
}

// `text` onto the stack in a node of the installer's string size; the caller has checked
// that it fits.
void push(StackNode** top, int stringSize, const InstallerText& text) {
    auto* node = static_cast<StackNode*>(GlobalAlloc(GPTR, sizeof(StackNode) + stringSize * sizeof(Tchar)));
    if (node == nullptr) return;
    std::memcpy(node->text, text.data(), text.size() * sizeof(Tchar));
    node->text[text.size()] = 0;
    node->next = *top;
    *top = node;
}

void setError(ExtraParameters* extra) {
    if (extra != nullptr && extra->execFlags != nullptr) extra->execFlags->execError = 1;
}

UINT_PTR onInstallerMessage(PluginMessage) { return 0; }

// Registering a callback keeps the plugin loaded until the installer ends, as a DLL
// loaded through System is: results and the file key generator live on between calls.
void stayLoaded(ExtraParameters* extra) {
    HMODULE self = nullptr;
    const DWORD byAddress = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (extra != nullptr && extra->registerPluginCallback != nullptr &&
        GetModuleHandleExW(byAddress, reinterpret_cast<LPCWSTR>(&onInstallerMessage), &self)) {
        extra->registerPluginCallback(self, onInstallerMessage);
    }
}

// Pops the export's arguments, calls it, pushes its one result. Every argument is popped
// whatever happens, so the stack is left as the script expects. Nothing here throws: a
// buffer there was no memory for fails the call as a refused argument or a null result.
void callFromInstaller(const char* name, int stringSize, StackNode** top, ExtraParameters* extra) noexcept {
    stayLoaded(extra);
    const bool texts = takesTexts(name);
    Arguments arguments;
    bool usable = true;
    for (std::size_t i = 0; i < argumentCount(name); ++i) {
        InstallerText given;
        usable = pop(top, &given) && Edge::argument(given.data(), given.size(), texts, &arguments.items[i]) && usable;
    }
    const CallOutcome outcome = usable ? Edge::call(name, arguments) : CallOutcome{};
    const InstallerText result = outcome.isText ? Edge::result(outcome.text, texts) : decimal<Tchar>(outcome.integer);
    const bool fits = result.valid() && result.size() < static_cast<std::size_t>(stringSize);
    const bool pushed = usable && !outcome.isNull && fits;
    if (pushed) {
        push(top, stringSize, result);
    } else {
        push(top, stringSize, InstallerText());
    }
    if (!pushed || !outcome.succeeded) setError(extra);
}

}  // namespace
}  // namespace kelvane::nsis

using kelvane::nsis::ExtraParameters;
using kelvane::nsis::StackNode;
using kelvane::nsis::Tchar;

// One plugin function per export, named after it; a wide twin's name calls the same
// function, since the installer's own width already decides how names travel.
#define KELVANE_PLUGIN_FUNCTION(function, exportName)                                                \
    extern "C" void __cdecl function(HWND, int stringSize, Tchar*, StackNode** top, ExtraParameters* extra) { \
        kelvane::nsis::callFromInstaller(exportName, stringSize, top, extra);                        \
    }

#define KELVANE_PLUGIN_TWIN(name, ...) KELVANE_PLUGIN_FUNCTION(name##W, #name)
#define KELVANE_PLUGIN_FUNCTIONS(name, form, ...) \
    KELVANE_PLUGIN_FUNCTION(name, #name)          \
    KELVANE_IF_TWIN_##form(KELVANE_PLUGIN_TWIN, name, form, __VA_ARGS__)

KELVANE_EXPORTS(KELVANE_PLUGIN_FUNCTIONS)
