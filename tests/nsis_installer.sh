#!/usr/bin/env bash
# A real installer as the host: builds examples/nsis/kelvane-calls.nsi around the DLL,
# puts the keys and the file its calls need in place, runs it silently under Wine and
# compares every line of its results file. The keys go again whatever the outcome.
# Usage: nsis_installer.sh INSTALLER.nsi KELVANE.DLL WORK-FOLDER
# (WINEPREFIX and the rest of the test environment come from ctest.)
set -euo pipefail
script=$1 work=$3
# makensis reads File paths from the script's folder: the DLL by its full path.
dll=$(realpath "$2")

# The installer's own key, as its KELVANE_KEY default names it.
readonly KEY='HKEY_LOCAL_MACHINE\SOFTWARE\KelvaneNsisTest'

fail() { echo "nsis_installer: $*" >&2; exit 1; }
source "$(dirname "$0")/installer_fixture.sh"

command -v makensis >/dev/null || fail "makensis not found (Debian package nsis)"

# The registry tests share this prefix: never touch an MSSQLServer key this test did not make.
if listing=$(wine reg query "$SQL_KEY" 2>/dev/null); then
    grep -q "$FIXTURE_MARK" <<<"$listing" || fail "$SQL_KEY exists and is not this test's; left alone"
fi

rm -rf "$work"
mkdir -p "$work"
trap '[ ! -f "$work/remove-keys.reg" ] || import_reg "$work/remove-keys.reg"' EXIT
put_fixture "$work"

# The DLL goes to a folder whose name has a space and parentheses, as under "Program Files (x86)".
makensis -V2 -DKELVANE_DLL="$dll" -DKELVANE_OUTFILE="$work/kelvane-calls.exe" \
    -DKELVANE_LIB_FOLDER='$EXEDIR\lib (x86)' "$script"

status=0
(cd "$work" && wine kelvane-calls.exe /S) || status=$?

expected="cryptString=$TEXT_HEX
decryptString=Install key: 4711
cryptString.null=(null)
$(common_results)
freeString=7"
check_results "$work/kelvane-results.txt" "$status" "$expected"
check_changes "$work"
echo "nsis_installer: all results as expected"
