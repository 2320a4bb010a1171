#!/usr/bin/env bash
# A second real installer as the host: Inno Setup's compiler (kept by scripts/setup.sh)
# builds examples/inno/kelvane-calls.iss around the DLL under Wine, in a folder named
# like "Program Files (x86)"; the silent setup runs there, and every line of its results
# file is compared. The keys go again whatever the outcome.
# Usage: inno_installer.sh INSTALLER.iss KELVANE.DLL WORK-FOLDER WINE-PREFIX
# WINE-PREFIX is this test's own: setup.exe needs a display or Wine's null graphics
# driver, which a prefix reads only as its wineserver starts, and the suite's shared
# prefix keeps its server running.
set -euo pipefail
script=$(realpath "$1") dll=$2 work=$3
export WINEPREFIX=$4
source "$(dirname "$0")/../scripts/innosetup.sh"

# The installer's own key, as its KelvaneKey default names it.
readonly KEY='HKEY_LOCAL_MACHINE\SOFTWARE\KelvaneInnoTest'
# Long enough for a loaded machine; setup without /SUPPRESSMSGBOXES would wait forever.
readonly SETUP_SECONDS=120

# What went wrong inside setup is in its log.
fail() {
    [ ! -f "$work/setup.log" ] || tail -n 20 "$work/setup.log" >&2
    echo "inno_installer: $*" >&2
    exit 1
}
source "$(dirname "$0")/installer_fixture.sh"

[ -f "$INNOSETUP_ISCC" ] || fail "$INNOSETUP_ISCC not found (scripts/setup.sh fetches it)"

# A killed setup leaves setup.tmp running: end the prefix's processes then.
end_wine() {
    timeout 60 wineserver -w || wineserver -k || true
}

# Once per prefix: Wine's null graphics driver, saved by the server's end. The mark
# file comes last, so that a prefix made by an interrupted run gets the driver too.
readonly NULL_DRIVER_MARK="$WINEPREFIX/kelvane-null-driver"
if [ ! -f "$NULL_DRIVER_MARK" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
    end_wine
    touch "$NULL_DRIVER_MARK"
fi

rm -rf "$work"
mkdir -p "$work"
trap 'remove_fixture "$work"; end_wine' EXIT
start_fixture "$work"
put_fixture "$KEY" "$work"
cp "$dll" "$work/kelvane.dll"

cd "$work"
wine "$INNOSETUP_ISCC" /Q "/DKelvaneDll=$(winepath -w "$work/kelvane.dll")" "/O$(winepath -w "$work")" \
    "$(winepath -w "$script")" || fail "ISCC could not compile $script"

status=0
timeout "$SETUP_SECONDS" wine kelvane-calls.exe /VERYSILENT /SUPPRESSMSGBOXES /NORESTART \
    "/LOG=$(winepath -w "$work/setup.log")" || status=$?

# Paths and names go to the wide twins as Inno's UTF-16 strings; a text outside the code
# page is refused; '' is an empty text or path, never a null one.
expected="cryptString=$TEXT_HEX
decryptString=Install key: 4711
cryptString.codePage=$CODE_PAGE_HEX
decryptString.codePage=Größe
cryptString.outside=(null) !error
cryptString.empty=
decryptString.empty=
cryptFile.emptyPath=-1 !error
RegDeleteKeyNT.emptyPath=1010 !error
$(with_error_flags <<<"$(common_results unicode)")
texts=13
done=1"
check_results "$work/kelvane-results.txt" "$status" "$expected"
check_changes "$work" "$KEY" unicode
echo "inno_installer: all results as expected"
