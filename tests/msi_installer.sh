#!/usr/bin/env bash
# Windows Installer as the host: wixl builds two packages around kelvane_msi.dll of the
# build's pointer size, and msiexec installs and uninstalls each under Wine. The first runs
# the rows of msi_rows.py (every action with good and bad inputs, immediate and deferred,
# names in Greek and Japanese) and is installed a second time with KELVANE_CHECK=1, where a
# Return="check" action fails and must end the installation with 1603, rolled back; the
# second is the authors' example, examples/msi/kelvane-example.wxs.
# Usage: msi_installer.sh KELVANE_MSI.DLL POINTER-BITS WORK-FOLDER
# (WINEPREFIX and the rest of the test environment come from ctest.)
set -euo pipefail
dll=$(realpath "$1") bits=$2 work=$3
here=$(cd "$(dirname "$0")" && pwd)
examples=$here/../examples/msi

# The fixture's keys for the rows, below HKEY_LOCAL_MACHINE.
readonly KEY='HKEY_LOCAL_MACHINE\SOFTWARE\KelvaneMsiTest'
# Where the rows package keeps the immediate rows' results (msi_rows.py).
readonly RESULTS_KEY='HKEY_LOCAL_MACHINE\SOFTWARE\KelvaneMsiResults'
# msiexec's exit status for ERROR_INSTALL_FAILURE (1603), in the 8 bits Unix keeps.
readonly INSTALL_FAILURE_STATUS=$((1603 % 256))

fail() { echo "msi_installer: $*" >&2; exit 1; }
[ "$bits" = 32 ] || REG_VIEW=64
source "$here/installer_fixture.sh"
command -v wixl >/dev/null || fail "wixl not found (Debian package wixl)"

# The registry tests share this prefix: never touch an MSSQLServer key this test did not make.
if listing=$(wine_reg query "$SQL_KEY" 2>/dev/null); then
    grep -q "$FIXTURE_MARK" <<<"$listing" || fail "$SQL_KEY exists and is not this test's; left alone"
fi

# A package of this pointer size and the folder it installs to.
declare -A arch_of=([32]=x86 [64]=x64)
declare -A program_files_of=([32]=ProgramFilesFolder [64]=ProgramFiles64Folder)
declare -A win64_of=([32]=no [64]=yes)
installed() { winepath -u "C:\\Program Files\\$1" 2>/dev/null; }

# Builds PACKAGE.wxs in FOLDER, which holds what it names (wixl finds files by relative name only).
build_package() {
    (cd "$1" && wixl -a "${arch_of[$bits]}" -D "ProgramFiles=${program_files_of[$bits]}" \
        -D "Win64=${win64_of[$bits]}" -o "$2.msi" "$2.wxs") || fail "wixl could not build $2.wxs"
}

# Runs msiexec in FOLDER with the rest of the arguments; prints its exit status.
msiexec_status() {
    local folder=$1 status=0
    shift
    (cd "$folder" && timeout 300 wine msiexec "$@" </dev/null >/dev/null 2>&1) || status=$?
    echo "$status"
}

rm -rf "$work"
mkdir -p "$work/rows" "$work/example"
# Whatever happens, the packages built here are uninstalled: a product left installed keeps
# its components (shared by GUID with the next run's product) and their files.
leave() {
    local package
    for package in "$work"/rows/rows.msi "$work"/example/kelvane-example.msi; do
        [ ! -f "$package" ] || msiexec_status "$(dirname "$package")" /x "$(basename "$package")" /qn >/dev/null
    done
    remove_fixture "$work"
}
trap leave EXIT
start_fixture "$work"
put_fixture "$KEY" "$work"
# The deferred rows' file: a ';' in its name, which the action data writes ';;'.
readonly SEMICOLON_FILE="$UNICODE_FOLDER/semi;colon 設定.ini"
printf '%s\n' "$SETTINGS" >"$work/$SEMICOLON_FILE"

# ---- the rows: install, results, uninstall
cp "$dll" "$examples/kelvane.wxi" "$work/rows/"
printf '%s\n' "$SETTINGS" >"$work/rows/settings.ini"
WORK_W="$(winepath -w "$work")\\" COMPUTER=$(wine hostname | tr -d '\r\n')
export WORK_W COMPUTER TEXT_HEX CODE_PAGE_HEX PRODUCT UNICODE_FOLDER UNICODE_FILE UNICODE_LIST UNICODE_KEY \
    UNICODE_SUBKEYS UNICODE_VALUE UNICODE_DATA UNICODE_LEAF
python3 -B "$here/msi_rows.py" package "$work/rows/rows.wxs" "$work/rows/inputs"
build_package "$work/rows" rows
mapfile -d '' inputs <"$work/rows/inputs"
status=$(msiexec_status "$work/rows" /i rows.msi /qn /l*v "$(winepath -w "$work/install.log")" "${inputs[@]}")
[ "$status" -eq 0 ] || fail "installing the rows package: exit status $status (log: $work/install.log)"
wine_reg export "$RESULTS_KEY" "$(winepath -w "$work/results.reg")" /y >/dev/null 2>&1 ||
    fail "the rows package left no results under $RESULTS_KEY"
python3 -B "$here/msi_rows.py" check "$work/results.reg" "$work/install.log" || fail "rows differ from the table"

rows_folder=$(installed 'kelvane msi rows')
container_size() { stat -c %s "$1" 2>/dev/null || echo 0; }  # 0: no such file
for file in "$rows_folder/settings.ini" "$work/$SEMICOLON_FILE" "$work/settings.ini"; do
    [ "$(container_size "$file")" -eq "$CONTAINER_SIZE" ] || fail "$file is not a $CONTAINER_SIZE-byte container"
done
cmp -s "$work/$UNICODE_FILE" <(printf '%s\n' "$SETTINGS") || fail "$UNICODE_FILE does not hold its text again"
[ "$(cat "$work/$UNICODE_LIST" 2>/dev/null)" = "$UNICODE_SUBKEYS" ] || fail "$UNICODE_LIST does not hold the listing"
for gone in Doomed 'Keys\Gamma' "$UNICODE_LEAF"; do
    ! wine_reg query "$KEY\\$gone" >/dev/null 2>&1 || fail "$KEY\\$gone was not deleted"
done

status=$(msiexec_status "$work/rows" /x rows.msi /qn /l*v "$(winepath -w "$work/uninstall.log")")
[ "$status" -eq 0 ] || fail "uninstalling the rows package: exit status $status"
[ ! -e "$rows_folder" ] || fail "uninstalling left $rows_folder"
! wine_reg query "$RESULTS_KEY" >/dev/null 2>&1 || fail "uninstalling left $RESULTS_KEY"

# ---- Return="check": a failing deferred action ends the installation, which is rolled back
status=$(msiexec_status "$work/rows" /i rows.msi /qn /l*v "$(winepath -w "$work/check.log")" KELVANE_CHECK=1)
[ "$status" -eq "$INSTALL_FAILURE_STATUS" ] ||
    fail "a failing Return=\"check\" action gave exit status $status, not $INSTALL_FAILURE_STATUS (1603)"
grep -qx 'kelvane_msi cryptFile: result -1, failed' <(tr -d '\r' <"$work/check.log") ||
    fail "the failing action's log line is missing from $work/check.log"
[ ! -e "$rows_folder" ] || fail "the failed installation left $rows_folder"

# ---- the authors' example: installs settings.ini and enciphers it deferred
cp "$dll" "$examples"/{kelvane.wxi,kelvane-example.wxs,settings.ini} "$work/example/"
build_package "$work/example" kelvane-example
status=$(msiexec_status "$work/example" /i kelvane-example.msi /qn /l*v "$(winepath -w "$work/example.log")")
[ "$status" -eq 0 ] || fail "installing the example: exit status $status (log: $work/example.log)"
example_lines=$(grep -c '^kelvane_msi .*, succeeded' "$work/example.log" || true)
[ "$example_lines" -eq 5 ] || fail "the example logged $example_lines succeeded calls, not 5"
example_folder=$(installed 'kelvane example')
plain=$(stat -c %s "$examples/settings.ini")
[ "$(container_size "$example_folder/settings.ini")" -eq $((20 + (plain + 31) / 32 * 32)) ] ||
    fail "the example's installed settings.ini is not a container"
status=$(msiexec_status "$work/example" /x kelvane-example.msi /qn)
[ "$status" -eq 0 ] || fail "uninstalling the example: exit status $status"
[ ! -e "$example_folder" ] || fail "uninstalling the example left $example_folder"
echo "msi_installer: every row as expected ($bits-bit), the example installed and uninstalled"
