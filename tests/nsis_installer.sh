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
# The parent of the fixed key ReadSubValues lists. A fresh prefix has none and the
# registry tests expect none, so this test creates it, marked as its own, and removes it.
readonly SQL_KEY='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\MSSQLServer'
readonly MARK=KelvaneNsisFixture
# The file cryptFile enciphers and decryptFile deciphers again: 16 bytes, the last not
# zero, so that it comes back byte for byte.
readonly SETTINGS='secret settings'
# cryptString of the installer's text under its pass phrase: DES-ECB of
# "Install key: 4711" zero-filled to 32 bytes under the key "pass phr", as OpenSSL gives it.
readonly TEXT_HEX=CFEC2AC3158C481BBE9375712ED2552891336F5E84332357A792464C35B3AFE8

fail() { echo "nsis_installer: $*" >&2; exit 1; }

command -v makensis >/dev/null || fail "makensis not found (Debian package nsis)"

# Imports a .reg file into the prefix's registry; prints reg's complaint on failure.
import_reg() {
    local output
    output=$(wine reg import "$1" 2>&1) || fail "reg import $1: $output"
}

# Never touch an MSSQLServer key this test did not make.
if listing=$(wine reg query "$SQL_KEY" 2>/dev/null); then
    grep -q "$MARK" <<<"$listing" || fail "$SQL_KEY exists and is not this test's; left alone"
fi

rm -rf "$work"
mkdir -p "$work"
cat >"$work/remove-keys.reg" <<REG
REGEDIT4

[-$KEY]

[-$SQL_KEY]
REG
trap 'import_reg "$work/remove-keys.reg"' EXIT

cat "$work/remove-keys.reg" - >"$work/fixture.reg" <<REG

[$KEY]
"Product"="kelvane nsis test"

[$KEY\\Keys\\Alpha]
[$KEY\\Keys\\Beta]
[$KEY\\Keys\\Gamma]
[$KEY\\Doomed]

[$SQL_KEY]
"$MARK"="made by the nsis_installer test"

[$SQL_KEY\\Client\\TDS]
"Alpha"="tcp"
"Beta"="1433"
REG
import_reg "$work/fixture.reg"
printf '%s\n' "$SETTINGS" >"$work/settings.ini"

# The DLL goes to a folder whose name has a space and parentheses, as under "Program Files (x86)".
makensis -V2 -DKELVANE_DLL="$dll" -DKELVANE_OUTFILE="$work/kelvane-calls.exe" \
    -DKELVANE_LIB_FOLDER='$EXEDIR\lib (x86)' "$script"

status=0
(cd "$work" && wine kelvane-calls.exe /S) || status=$?
results="$work/kelvane-results.txt"
[ -f "$results" ] || fail "the installer (exit code $status) wrote no results file"
echo "results file of the installer (exit code $status):"
tr -d '\r' <"$results"
[ "$status" -eq 0 ] || fail "the installer's exit code is $status"

computer=$(wine hostname | tr -d '\r\n')
expected="cryptString=$TEXT_HEX
decryptString=Install key: 4711
cryptString.null=(null)
cryptFile=2
cryptFile.again=1
decryptFile=2
decryptFile.again=1
cryptFile.missing=-1
decryptFile.missing=-1
ReadSubKeys=Alpha,Beta,Gamma
ReadSubKeys.missing=(null)
ReadSubKeysInFile=0
ReadSubKeysInFile.missing=0
ReadSubKeysInFile.file=Alpha,Beta,Gamma(null)
ReadSubValues=Alpha,Beta
ReadKeyValue=kelvane nsis test
ReadKeyValue.missing=(null)
RegDeleteKeyNT=0
RegDeleteKeyNT.again=2
ReadSubKeys.afterDelete=Keys
ComputerName=$computer
freeString=7"
diff <(echo "$expected") <(tr -d '\r' <"$results") || fail "results differ from the expected (< expected, > installer)"

# decryptFile=2 shows the file was a container; now it must hold its text again.
cmp -s "$work/settings.ini" <(printf '%s\n' "$SETTINGS") || fail "settings.ini does not hold its text again"
! wine reg query "$KEY\\Doomed" >/dev/null 2>&1 || fail "the deleted key is still there"
echo "nsis_installer: all results as expected"
