// Entry routine of kelvane.dll: the private heap lives from process attach to detach.
#include <windows.h>

#include "platform/heap.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        // Without its heap the library cannot hand out results: refuse the load.
        return kelvane::platform::heapCreate() ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        // The C runtime flushes and closes its streams itself; the heap goes last,
        // taking every string returned to the host with it.
        kelvane::platform::heapDestroy();
        return TRUE;
    default:
        return TRUE;
    }
}
