#!/usr/bin/env bash
# Installs a build into a scratch prefix, checks that the tree holds what a user needs and
# nothing of the build's own (static core, loader, test programs), then builds the consumer
# program against it through find_package and through pkg-config and runs both, and runs
# the installed host.
#   check_install.sh PLATFORM BUILD_DIR WORK_DIR LIBDIR C_COMPILER GENERATOR [TOOLCHAIN_FILE
#                    [OTHER_POINTER_SIZE_TOOLCHAIN]]
# PLATFORM is linux or win32 (programs then run under wine, built with the installed copy
# of TOOLCHAIN_FILE); LIBDIR is the install's library folder relative to the prefix; CMAKE
# names the cmake program (default: cmake). A consumer configured with the last toolchain
# must be refused by the package. A BUILD_DIR that is no build folder (no CMakeCache.txt)
# is an installed tree already, such as an unpacked package: it is checked as it is.
set -euo pipefail
platform=$1 build=$2 work=$3 libdir=$4 cc=$5 generator=$6 toolchain=${7:-} other_toolchain=${8:-}
cmake=${CMAKE:-cmake}
here=$(cd "$(dirname "$0")" && pwd)
installing=false
[ -f "$build/CMakeCache.txt" ] && installing=true
prefix=$(cd "$build" && pwd)
$installing && prefix=$work/prefix
exe=""
[ "$platform" = win32 ] && exe=.exe

# What the host prints for the consumer's known answer.
known_hex=CFEC2AC3158C481BBE9375712ED2552891336F5E84332357A792464C35B3AFE8

fail() { echo "FAIL: $*"; exit 1; }
run() { if [ "$platform" = win32 ]; then wine "$@"; else "$@"; fi; }

rm -rf "$work"
mkdir -p "$work"
if $installing; then
  "$cmake" --install "$build" --prefix "$prefix" >/dev/null
fi

package=$libdir/cmake/kelvane
required=(include/kelvane.h share/doc/kelvane/LICENSE "$libdir/pkgconfig/kelvane.pc"
          "$package/kelvane-config.cmake" "$package/kelvane-config-version.cmake")
if [ "$platform" = win32 ]; then
  required+=(bin/kelvane.dll bin/kelvane.exe "$libdir/libkelvane.dll.a" "$libdir/kelvane.def"
             "$package/${toolchain##*/}" bin/kelvane_msi.dll)
  # The NSIS plugin, for each NSIS target of the DLL's pointer size, where makensis looks.
  case ${toolchain##*/} in *x86_64*) nsis_targets=(amd64-unicode) ;; *) nsis_targets=(x86-ansi x86-unicode) ;; esac
  for nsis_target in "${nsis_targets[@]}"; do required+=("share/nsis/Plugins/$nsis_target/kelvane_nsis.dll"); done
  # The consumer cross-builds with the copy of the toolchain file installed with the package.
  toolchain=$prefix/$package/${toolchain##*/}
else
  # The library by its SONAME, and the link for linking (libkelvane.so.<version> behind them).
  required+=(bin/kelvane "$libdir/libkelvane.so" "$libdir/libkelvane.so.0" "$libdir/kelvane-hive")
fi
installed=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort)
echo "installed:"; sed 's/^/  /' <<<"$installed"
for file in "${required[@]}"; do
  grep -qxF "$file" <<<"$installed" || fail "$file is not installed"
done
# Anything else is out of place, save the package's per-configuration target files.
while read -r file; do
  case " ${required[*]} " in *" $file "*) continue ;; esac
  case $file in "$package"/kelvane-targets*.cmake | "$libdir"/libkelvane.so.0.*) continue ;; esac
  # A package adds its docs, its Python package and its first page to the tree.
  if ! $installing; then
    case $file in python/* | share/doc/kelvane/* | README.txt | LICENSE | CHANGELOG.md) continue ;; esac
  fi
  fail "$file should not be installed"
done <<<"$installed"
if [ "$platform" = linux ]; then
  soname=$(objdump -p "$prefix/$libdir/libkelvane.so" | awk '$1 == "SONAME" {print $2}')
  [ "$soname" = libkelvane.so.0 ] || fail "the library's SONAME is '$soname', expected libkelvane.so.0"
  [ "$(readlink "$prefix/$libdir/libkelvane.so")" = libkelvane.so.0 ] || fail "libkelvane.so does not link to libkelvane.so.0"
fi

echo "find_package:"
"$cmake" -S "$here" -B "$work/build" -G "$generator" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$prefix" ${toolchain:+-DCMAKE_TOOLCHAIN_FILE="$toolchain"} >/dev/null
"$cmake" --build "$work/build" >/dev/null
# kelvane::kelvane brings the library alone: the core and hivex are inside or behind it.
if [ -f "$work/build/build.ninja" ] && grep -E 'kelvane_core|hivex' "$work/build/build.ninja"; then
  fail "the consumer links more than the library"
fi
run "$work/build/consumer$exe" || fail "the consumer built through find_package"

# The version file refuses a package built for another pointer size.
if [ -n "$other_toolchain" ]; then
  if refusal=$("$cmake" -S "$here" -B "$work/other-pointer-size" -G "$generator" -DCMAKE_PREFIX_PATH="$prefix" \
                 -DCMAKE_TOOLCHAIN_FILE="$other_toolchain" 2>&1); then
    fail "a consumer built with $(basename "$other_toolchain") accepted this package"
  fi
  # CMake names the pointer size of a package it refuses: "version: 0.2.0 (64bit)".
  refused=$(grep -o -E 'version: [0-9.]+ \([0-9]+bit\)' <<<"$refusal") ||
    fail "no version refusal for the other pointer size: $refusal"
  echo "ok    a consumer built with $(basename "$other_toolchain") refuses $refused"
fi

echo "pkg-config:"
mkdir -p "$work/pkg-config"
flags=$(PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig" pkg-config --cflags --libs kelvane)
# shellcheck disable=SC2086 # the flags are separate words
"$cc" "$here/main.c" -o "$work/pkg-config/consumer$exe" $flags
if [ "$platform" = win32 ]; then
  cp "$prefix/bin/kelvane.dll" "$work/pkg-config/"
  run "$work/pkg-config/consumer$exe" || fail "the consumer built through pkg-config"
else
  # No LD_LIBRARY_PATH: the flags carry an rpath to the installed library folder.
  run "$work/pkg-config/consumer" || fail "the consumer built through pkg-config"
fi

echo "installed host:"
answer=$(run "$prefix/bin/kelvane$exe" cryptString "Install key: 4711" "pass phrase" | tr -d '\r')
[ "$answer" = "$known_hex" ] || fail "the installed host printed '$answer', expected $known_hex"
echo "ok    $answer"
# The host's version is the package's.
version=$(run "$prefix/bin/kelvane$exe" --version | tr -d '\r')
[ "$version" = "kelvane $(PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig" pkg-config --modversion kelvane)" ] ||
  fail "the installed host's --version printed '$version'"
echo "ok    $version"

# Its exit status: what the export reported, and output that could not be written.
expect_status() {
  local want=$1 output=$2 status=0
  shift 2
  run "$prefix/bin/kelvane$exe" "$@" >"$output" 2>/dev/null || status=$?
  [ "$status" = "$want" ] || fail "the installed host, $*, exited with $status, expected $want"
}
expect_status 0 /dev/null ComputerName
expect_status 1 /dev/null decryptString abc "pass phrase"   # a null text
expect_status 1 /dev/null cryptFile "$work/missing.ini"
expect_status 1 /dev/null RegDeleteKeyNT --null
expect_status 4 /dev/full ComputerName
echo "ok    exit status 0, 1 and 4"

# The installed library finds its helper program beside it: a key deleted from a hive.
if [ "$platform" = linux ] && command -v hivexsh >/dev/null; then
  hklm=$work/hklm
  mkdir -p "$hklm"
  rm -f "$hklm/SOFTWARE"
  "$prefix/bin/kelvane" --empty-hive "$hklm/SOFTWARE"
  printf 'add Leaf\ncommit\n' >"$work/hive-script"
  hivexsh -w -f "$work/hive-script" "$hklm/SOFTWARE"
  # --empty-hive never writes over a file (the deletion below finds Leaf still there), nor
  # where no folder is; without its file it is a bad command line.
  expect_status 1 /dev/null --empty-hive "$hklm/SOFTWARE"
  expect_status 1 /dev/null --empty-hive "$work/missing/SOFTWARE"
  expect_status 2 /dev/null --empty-hive
  deleted=$(KELVANE_HKLM=$hklm "$prefix/bin/kelvane" RegDeleteKeyNT 'SOFTWARE\Leaf')
  [ "$deleted" = 0 ] || fail "RegDeleteKeyNT through the installed library gave '$deleted', expected 0"
  echo "ok    RegDeleteKeyNT through the installed helper"
fi
