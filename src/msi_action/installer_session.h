// The installer as a custom action sees it through its handle: properties to read and
// set, whether the action runs deferred, and the log.
#pragma once
#include <windows.h>
#include <msiquery.h>

#include "msi_action/action_data.h"

namespace kelvane::msi {

// The property `name`, whole; empty when it is not set (Windows Installer does not tell
// an empty property from a missing one). Not valid() when there was no memory for it.
WideText property(MSIHANDLE install, const wchar_t* name);

// Sets the property `name`; a deferred action cannot, and the call then does nothing.
void setProperty(MSIHANDLE install, const wchar_t* name, const wchar_t* value);

// Whether the action runs from the installation script (deferred, rollback or commit),
// where it sees CustomActionData and no other property.
bool runsDeferred(MSIHANDLE install);

// One line in the installation's log (INSTALLMESSAGE_INFO), written as it stands: it is
// handed over as a record field, so brackets in it are not read as property references.
void logLine(MSIHANDLE install, const wchar_t* line);

}  // namespace kelvane::msi
