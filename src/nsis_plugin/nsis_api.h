// NSIS's plugin interface, as its documentation describes it: what the installer hands
// each plugin function, the string stack the arguments and results travel on, and the
// flags through which a function sets the script's error flag.
#pragma once
#include <windows.h>

namespace kelvane::nsis {

// The installer's character: char (the ANSI code page) in an ANSI installer, wchar_t
// (UTF-16) in a Unicode one. Each build of the plugin is for one of them.
using Tchar = KELVANE_NSIS_CHAR;

// One entry of the installer's stack: a GlobalAlloc'd block whose text holds
// string_size characters, NUL included.
struct StackNode {
    StackNode* next;
    Tchar text[1];
};

// The installer's execution flags; only the first fields are named here, in their order.
struct ExecFlags {
    int autoclose;
    int allUserVar;
    int execError;  // 1: the script's error flag (IfErrors) is set
};

// What a plugin callback is told: the plugin is about to be unloaded, or the GUI has ended.
enum PluginMessage { NSPIM_UNLOAD, NSPIM_GUIUNLOAD };
// A callback registered with registerPluginCallback; cdecl, 0 for messages it does not know.
using PluginCallback = UINT_PTR (*)(PluginMessage);

// The fifth argument of every plugin function. A plugin that registers a callback stays
// loaded until the installer ends.
struct ExtraParameters {
    ExecFlags* execFlags;
    int(__stdcall* executeCodeSegment)(int, HWND);
    void(__stdcall* validateFilename)(Tchar*);
    int(__stdcall* registerPluginCallback)(HMODULE, PluginCallback);
};

}  // namespace kelvane::nsis
