#!/usr/bin/env bash
# A real installer as the host: builds examples/nsis/kelvane-calls.nsi for one NSIS target
# around the DLL and the kelvane_nsis plugin, puts the keys and files its calls need in
# place, runs it silently under Wine and compares every line of the results file of each
# of its two ways of calling (the plugin, System). The keys go again whatever the outcome.
# Usage: nsis_installer.sh INSTALLER.nsi TARGET KELVANE.DLL PLUGIN-FOLDER WORK-FOLDER
# TARGET: x86-ansi, x86-unicode (the 32-bit DLL and Wine) or amd64-unicode (the 64-bit ones).
# (WINEPREFIX and the rest of the test environment come from ctest.)
set -euo pipefail
script=$1 target=$2 work=$5
# makensis reads File paths from the script's folder: the DLL and plugins by their full paths.
dll=$(realpath "$3") plugins=$(realpath "$4")

# The installer's own key, as its KELVANE_KEY default names it.
readonly KEY='HKEY_LOCAL_MACHINE\SOFTWARE\KelvaneNsisTest'

fail() { echo "nsis_installer: $*" >&2; exit 1; }
[ "$target" != amd64-unicode ] || REG_VIEW=64
source "$(dirname "$0")/installer_fixture.sh"

command -v makensis >/dev/null || fail "makensis not found (Debian package nsis)"

# The registry tests share this prefix: never touch an MSSQLServer key this test did not make.
if listing=$(wine_reg query "$SQL_KEY" 2>/dev/null); then
    grep -q "$FIXTURE_MARK" <<<"$listing" || fail "$SQL_KEY exists and is not this test's; left alone"
fi

# An ANSI installer holds its strings, and writes its results, in the code page.
declare -A width_of=([x86-ansi]=ansi [x86-unicode]=unicode [amd64-unicode]=unicode)
declare -A encoding_of=([ansi]=CP1252 [unicode]=UTF-16LE)
width=${width_of[$target]:-} || true
[ -n "$width" ] || fail "unknown NSIS target $target"

rm -rf "$work"
mkdir -p "$work"
trap 'remove_fixture "$work"' EXIT
start_fixture "$work"
put_fixture "$KEY\\Plugin" "$work/plugin"
put_fixture "$KEY\\System" "$work/system"

# The DLL goes to a folder whose name has a space and parentheses, as under "Program Files (x86)".
makensis -V2 -INPUTCHARSET UTF8 -DKELVANE_TARGET="$target" -DKELVANE_PLUGIN_DIR="$plugins" \
    -DKELVANE_DLL="$dll" -DKELVANE_OUTFILE="$work/kelvane-calls.exe" -DKELVANE_LIB_FOLDER='$EXEDIR\lib (x86)' "$script"

status=0
(cd "$work" && wine kelvane-calls.exe /S) || status=$?

# The texts' lines. A text outside the code page: refused by the Unicode plugin, turned
# into '?' on its way to System's narrow argument; an ANSI installer holds only the '?'s.
# A result longer than the installer's strings: refused by the plugin, cut by System's copy.
declare -A outside_plugin=([ansi]=same [unicode]='(null) !error')
declare -A outside_system=([ansi]=same [unicode]=lost)
texts="cryptString=$TEXT_HEX
decryptString=Install key: 4711
cryptString.codePage=$CODE_PAGE_HEX
decryptString.codePage=Größe"

# Text results handed back with freeString by the System way: those that are not null.
declare -A freed=([ansi]=12 [unicode]=14)

common=$(common_results "$width")
check_results "$work/plugin/kelvane-results.txt" "$status" \
    "$texts
outside.roundTrip=${outside_plugin[$width]}
cryptString.long=refused
$(with_error_flags <<<"$common")" "${encoding_of[$width]}"
check_results "$work/system/kelvane-results.txt" "$status" \
    "$texts
outside.roundTrip=${outside_system[$width]}
cryptString.long=1023
$common
freeString=${freed[$width]}" "${encoding_of[$width]}"
check_changes "$work/plugin" "$KEY\\Plugin" "$width"
check_changes "$work/system" "$KEY\\System" "$width"
echo "nsis_installer: all results as expected ($target)"
