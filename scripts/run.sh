#!/usr/bin/env bash
# Sets up, builds and runs the main job: the command-line host enciphers a string and
# deciphers it again, through libkelvane.so and then through kelvane.dll under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >/dev/null

text=${1:-"Install key: 4711-ABCD"}
pass=${2:-"pass phrase"}

roundtrip() {  # $1: how to start the host
  local hex plain
  hex=$($1 cryptString "$text" "$pass" | tr -d '\r')
  plain=$($1 decryptString "$hex" "$pass" | tr -d '\r')
  echo "  cryptString:   $hex"
  echo "  decryptString: $plain"
  [ "$plain" = "$text" ]
}

cmake --preset native >/dev/null
cmake --build --preset native --target kelvane_host >/dev/null
echo "libkelvane.so:"
roundtrip "build/native/bin/kelvane"

cmake --preset win32 >/dev/null
cmake --build --preset win32 --target kelvane_host >/dev/null
source scripts/wine-env.sh
trap wine_stop EXIT
wine_start
echo "kelvane.dll under Wine:"
roundtrip "wine build/win32/bin/kelvane.exe"
