// One custom action: the export `name` called with its arguments from the installer's
// properties (an immediate action) or from CustomActionData (a deferred one), its result
// in KELVANE_RESULT and one line in the log.
#pragma once
#include <windows.h>
#include <msiquery.h>

namespace kelvane::msi {

// ERROR_SUCCESS when the call succeeded; ERROR_INSTALL_FAILURE where the NSIS plugin sets
// the error flag: an argument missing or refused, a null result, a failure result.
UINT runAction(MSIHANDLE install, const char* name) noexcept;

}  // namespace kelvane::msi
