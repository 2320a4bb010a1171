#!/usr/bin/env bash
# Sets up, builds and runs every test: libkelvane.so natively, then the 32-bit and the
# 64-bit kelvane.dll under Wine, each in a prefix of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

# The packages first (the three release builds, without tests): the native package test
# checks dist/, and the installer tests under Wine use the unpacked Windows package.
bash scripts/package.sh
rm -rf build/package/unpacked-windows
python3 -B -m zipfile -e dist/kelvane-*-windows.zip build/package/unpacked-windows
package=(build/package/unpacked-windows/kelvane-*)
export KELVANE_PACKAGE_DIR=$PWD/${package[0]}

# Warnings fail these builds (there are none): CMake's own switch, kept in each build's cache.
werror=-DCMAKE_COMPILE_WARNING_AS_ERROR=ON
cmake --preset native "$werror"
cmake --build --preset native
ctest --preset native
# Every fault planted in a scratch copy must fail a test (its own build folder, build/mutate).
bash scripts/mutate.sh

cmake --preset win32 "$werror"
cmake --build --preset win32
source scripts/wine-env.sh
trap wine_stop EXIT
wine_start
ctest --preset win32
# What the installer tests' calls returned, for the log (ctest shows a passing test's output only with -V).
for form in plugin system; do
  echo "examples/nsis installer results (x86-unicode, $form):"
  iconv -f UTF-16LE -t UTF-8 "build/win32/tests/nsis installer x86-unicode/$form/kelvane-results.txt" | sed 's/\r$//'
done
echo "examples/inno setup results:"
sed 's/\r$//' "build/win32/tests/inno installer (x86)/kelvane-results.txt"
wine_stop

# After win32: its registry view test runs the 32-bit host in the 64-bit prefix.
cmake --preset win64 "$werror"
cmake --build --preset win64
wine_use win64
wine_start
ctest --preset win64

bash scripts/sanitize.sh
# valgrind and the fuzzers each keep one core busy: memcheck runs beside the short run of
# every fuzz target over its seeds, and its own status decides as the fuzzers' does.
bash scripts/memcheck.sh > build/memcheck.log 2>&1 &
memcheck=$!
bash scripts/fuzz.sh 60
memcheck_status=0
wait "$memcheck" || memcheck_status=$?
cat build/memcheck.log
exit "$memcheck_status"
