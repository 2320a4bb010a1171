#!/usr/bin/env bash
# Registry views in a 64-bit prefix: the 32-bit DLL (through the 32-bit host, under WoW64)
# is redirected from HKLM\SOFTWARE\X to HKLM\SOFTWARE\WOW6432Node\X, the 64-bit DLL is
# not. With keys in both views, checks what each reads, lists and deletes.
#   registry_views_win64.sh HOST32 HOST64     (WINEPREFIX and the rest come from ctest)
set -euo pipefail
host32=$1 host64=$2

# ctest's SKIP_RETURN_CODE: the 32-bit build is made before this one (scripts/test.sh).
[ -f "$host32" ] || { echo "no 32-bit host at $host32: build the win32 preset first"; exit 77; }

readonly KEY='HKLM\SOFTWARE\KelvaneViews'
readonly PATH_IN_HOST='SOFTWARE\KelvaneViews'

# reg.exe started by `wine` may be the 32-bit one: name the view each time.
reg_in_view() {  # $1: 32 or 64; the rest: reg's arguments
    local view=$1; shift
    wine reg "$@" "/reg:$view" >/dev/null 2>&1
}
remove_keys() { reg_in_view 32 delete "$KEY" /f || true; reg_in_view 64 delete "$KEY" /f || true; }
trap remove_keys EXIT

remove_keys
reg_in_view 64 add "$KEY\\Probe" /v Side /d 64-bit /f
reg_in_view 64 add "$KEY\\Only64" /f
reg_in_view 32 add "$KEY\\Probe" /v Side /d 32-bit /f
reg_in_view 32 add "$KEY\\Only32" /f

failures=0
# One row per call, in order (the deletions change what later rows see):
# host | export | arguments separated by '|' | expected output
checks=(
    "32|ReadKeyValue|$PATH_IN_HOST\\Probe|Side|32-bit"
    "64|ReadKeyValue|$PATH_IN_HOST\\Probe|Side|64-bit"
    "32|ReadSubKeys|$PATH_IN_HOST|Only32,Probe"
    "64|ReadSubKeys|$PATH_IN_HOST|Only64,Probe"
    # A 64-bit host reaches the 32-bit view by its full name; a 32-bit host stays in its own.
    "64|ReadKeyValue|SOFTWARE\\WOW6432Node\\KelvaneViews\\Probe|Side|32-bit"
    "32|ReadKeyValue|SOFTWARE\\WOW6432Node\\KelvaneViews\\Probe|Side|32-bit"
    # Each DLL deletes in its own view only: 2 is "no such key".
    "32|RegDeleteKeyNT|$PATH_IN_HOST\\Only64|2"
    "64|RegDeleteKeyNT|$PATH_IN_HOST\\Only32|2"
    "32|RegDeleteKeyNT|$PATH_IN_HOST\\Only32|0"
    "64|ReadSubKeys|$PATH_IN_HOST|Only64,Probe"
    "64|RegDeleteKeyNT|$PATH_IN_HOST\\Only64|0"
    "32|ReadSubKeys|$PATH_IN_HOST|Probe"
    "64|ReadSubKeys|$PATH_IN_HOST|Probe"
)
for row in "${checks[@]}"; do
    IFS='|' read -r -a fields <<<"$row"
    bits=${fields[0]} expected=${fields[-1]}
    call=("${fields[@]:1:${#fields[@]}-2}")
    host=$host32; [ "$bits" = 64 ] && host=$host64
    # The host's exit status says whether the export succeeded; the output says more.
    actual=$(wine "$host" "${call[@]}" | tr -d '\r') || true
    if [ "$actual" = "$expected" ]; then
        echo "ok    $bits-bit ${call[*]} -> $actual"
    else
        echo "FAIL  $bits-bit ${call[*]} -> '$actual', expected '$expected'"
        failures=$((failures + 1))
    fi
done
[ "$failures" -eq 0 ]
