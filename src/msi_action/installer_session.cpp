#include "msi_action/installer_session.h"

namespace kelvane::msi {

WideText property(MSIHANDLE install, const wchar_t* name) {
    // Asked once for the length, then read with room for it and its NUL; a property
    // that grows between the two calls is read again.
    wchar_t none[1] = {};
    DWORD length = 0;
    UINT status = MsiGetPropertyW(install, name, none, &length);
    while (status == ERROR_MORE_DATA) {
        WideText value(length);
        if (!value.valid()) return value;
        DWORD room = length + 1;
        status = MsiGetPropertyW(install, name, value.data(), &room);
        if (status == ERROR_SUCCESS) {
            value.shorten(room);
            return value;
        }
        length = room;
    }
    return WideText();
}

void setProperty(MSIHANDLE install, const wchar_t* name, const wchar_t* value) {
    MsiSetPropertyW(install, name, value);
}

bool runsDeferred(MSIHANDLE install) {
    return MsiGetMode(install, MSIRUNMODE_SCHEDULED) || MsiGetMode(install, MSIRUNMODE_ROLLBACK) ||
           MsiGetMode(install, MSIRUNMODE_COMMIT);
}

void logLine(MSIHANDLE install, const wchar_t* line) {
    // Field 0 is the template the installer formats; the line goes in field 1 untouched.
    MSIHANDLE record = MsiCreateRecord(1);
    if (record == 0) return;
    MsiRecordSetStringW(record, 0, L"[1]");
    MsiRecordSetStringW(record, 1, line);
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
    MsiCloseHandle(record);
}

}  // namespace kelvane::msi
