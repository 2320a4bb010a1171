#!/usr/bin/env bash
# Sets up, builds and runs every test: libkelvane.so natively, then kelvane.dll under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake --preset native
cmake --build --preset native
ctest --preset native

cmake --preset win32
cmake --build --preset win32
source scripts/wine-env.sh
trap wine_stop EXIT
wine_start
ctest --preset win32
# What the installer tests' calls returned, for the log (ctest shows a passing test's output only with -V).
echo "examples/nsis installer results:"
sed 's/\r$//' "build/win32/tests/nsis installer/kelvane-results.txt"
echo "examples/inno setup results:"
sed 's/\r$//' "build/win32/tests/inno installer (x86)/kelvane-results.txt"

bash scripts/sanitize.sh
bash scripts/memcheck.sh

# A short run of every fuzz target over its seeds.
bash scripts/fuzz.sh 60
