// kelvane_msi.dll: the library's exports as Windows Installer custom actions. A package
// stores the DLL in its Binary table and calls an entry point by name; each takes its
// arguments from KELVANE_* properties (deferred: from CustomActionData) and leaves its
// result in KELVANE_RESULT. docs/msi.md describes each action.
#include "exports/export_list.h"
#include "msi_action/custom_action.h"

// One entry point per row of the export list, named after the export; the .def exports
// them undecorated.
#define KELVANE_MSI_ACTION(name) \
    extern "C" UINT __stdcall name(MSIHANDLE install) { return kelvane::msi::runAction(install, #name); }

#define KELVANE_MSI_ACTION_ROW(name, ...) KELVANE_MSI_ACTION(name)

KELVANE_EXPORTS(KELVANE_MSI_ACTION_ROW)
