// kelvane_msi.dll: the library's exports as Windows Installer custom actions. A package
// stores the DLL in its Binary table and calls an entry point by name; each takes its
// arguments from KELVANE_* properties (deferred: from CustomActionData) and leaves its
// result in KELVANE_RESULT. docs/msi.md describes each action.
#include "msi_action/custom_action.h"

// One entry point per export, named after it; the .def exports them undecorated.
#define KELVANE_MSI_ACTION(name) \
    extern "C" UINT __stdcall name(MSIHANDLE install) { return kelvane::msi::runAction(install, #name); }

KELVANE_MSI_ACTION(cryptString)
KELVANE_MSI_ACTION(decryptString)
KELVANE_MSI_ACTION(cryptFile)
KELVANE_MSI_ACTION(decryptFile)
KELVANE_MSI_ACTION(ReadSubKeys)
KELVANE_MSI_ACTION(ReadSubKeysInFile)
KELVANE_MSI_ACTION(ReadSubValues)
KELVANE_MSI_ACTION(ReadKeyValue)
KELVANE_MSI_ACTION(RegDeleteKeyNT)
KELVANE_MSI_ACTION(ComputerName)
