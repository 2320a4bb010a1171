#!/usr/bin/env bash
# The package's import library in use as an MSVC toolchain uses it: msvc_link.c compiled
# by clang for the MSVC target and linked by lld-link against lib/<arch>/kelvane.lib, with
# no C runtime and no Windows SDK (kernel32's import library is made here from
# kernel32.def), then run under Wine beside the package's DLL. -Werror: a wide result handed
# to freeString without a cast must compile cleanly.
#   msvc_link.sh PACKAGE_DIR BITS WORK_DIR      (BITS: 32 or 64; the prefix from ctest)
set -euo pipefail
package=$1 bits=$2 work=$3
here=$(cd "$(dirname "$0")" && pwd)
declare -A arch_of=([32]=x86 [64]=x64) target_of=([32]=i686-pc-windows-msvc [64]=x86_64-pc-windows-msvc)
declare -A machine_of=([32]=i386 [64]=i386:x86-64)
arch=${arch_of[$bits]}
fail() { echo "FAIL: $*"; exit 1; }

rm -rf "$work"
mkdir -p "$work"
# The 64-bit names carry no stdcall suffix (@<argument bytes>).
if [ "$bits" = 64 ]; then sed 's/@[0-9]*$//' "$here/kernel32.def"; else cat "$here/kernel32.def"; fi >"$work/kernel32.def"
llvm-dlltool -m "${machine_of[$bits]}" -d "$work/kernel32.def" -l "$work/kernel32.lib" -k
clang --target="${target_of[$bits]}" -c -O1 -ffreestanding -fno-builtin -fno-stack-protector -Wall -Werror \
  -I "$package/include" "$here/msvc_link.c" -o "$work/msvc_link.obj"
lld-link /nologo /machine:"$arch" /subsystem:console /entry:start /nodefaultlib /out:"$work/msvc_link.exe" \
  "$work/msvc_link.obj" "$package/lib/$arch/kelvane.lib" "$work/kernel32.lib"
cp "$package/bin/$arch/kelvane.dll" "$work/"

status=0
output=$(cd "$work" && wine msvc_link.exe | tr -d '\r') || status=$?
echo "$output"
[ "$status" -eq 0 ] || fail "msvc_link.exe ended with $status"
grep -qx 'cryptString=CFEC2AC3158C481BBE9375712ED2552891336F5E84332357A792464C35B3AFE8' <<<"$output" ||
  fail "cryptString did not give the known answer"
echo "ok    an MSVC-form $bits-bit program linked against lib/$arch/kelvane.lib ran"
