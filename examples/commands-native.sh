#!/usr/bin/env bash
# The commands the README and docs/ show for the Linux library, run as they stand from the repository's
# root once `cmake --build --preset native` has built it. The readme_commands_linux test
# runs this file and checks the lines marked `#=>` below against what it printed; the
# readme_snippets test checks that their command blocks are copies of its lines.
set -euo pipefail

# --- The command-line host
build/native/bin/kelvane --help
build/native/bin/kelvane cryptString "Install key: 4711" "pass phrase"
build/native/bin/kelvane decryptString CFEC2AC3158C481BBE9375712ED2552891336F5E84332357A792464C35B3AFE8 "pass phrase"
build/native/bin/kelvane decryptString 41424344 "pass phrase"    # 4 bytes, not a multiple of 8: ABCD, not deciphered
#=> CFEC2AC3158C481BBE9375712ED2552891336F5E84332357A792464C35B3AFE8
#=> Install key: 4711
#=> ABCD

# --- The C host: one source for both targets
cc examples/host.c -ldl -o build/native/host
build/native/host build/native/bin/libkelvane.so
#=> A07E13A125786D5D878746000CF14905A792464C35B3AFE8A792464C35B3AFE8
#=> licence 4711

# --- Python
python3 examples/python/kelvane_example.py build/native/bin/libkelvane.so   # or KELVANE_LIBRARY=...

# --- The registry on Linux, on a SOFTWARE hive made here from an empty one with hivexsh
mkdir -p build/hklm
rm -f build/hklm/SOFTWARE
build/native/bin/kelvane --empty-hive build/hklm/SOFTWARE
printf '%s\n' 'add Microsoft' 'cd Microsoft' 'add Windows NT' 'cd Windows NT' 'add CurrentVersion' \
  'cd CurrentVersion' 'setval 2' ProductName 'string:Windows 10 Pro' InstallPort 'dword:0x599' commit >build/hklm.script
hivexsh -w -f build/hklm.script build/hklm/SOFTWARE

# Text outside ASCII: hivexsh takes a key's name in UTF-8, but a string value only as
# its UTF-16LE bytes (hex:1: is REG_SZ), here "Ωmega" and its closing zero.
printf '%s\n' 'add Größe' 'cd Größe' 'setval 1' Name 'hex:1:a9,03,6d,00,65,00,67,00,61,00,00,00' commit >build/hklm.script
hivexsh -w -f build/hklm.script build/hklm/SOFTWARE

export KELVANE_HKLM=$PWD/build/hklm
build/native/bin/kelvane ReadSubKeys ""                       # SOFTWARE
build/native/bin/kelvane ReadSubKeys 'SOFTWARE\Microsoft'     # Windows NT
build/native/bin/kelvane ReadKeyValue 'SOFTWARE\Microsoft\Windows NT\CurrentVersion' ProductName
build/native/bin/kelvane ReadKeyValue 'SOFTWARE\Microsoft\Windows NT\CurrentVersion' InstallPort | od -An -tx1
build/native/bin/kelvane ReadKeyValue 'SOFTWARE\Größe' Name
#=> SOFTWARE
#=> Windows NT
#=> Windows 10 Pro
#=>  99 05 0a
#=> Ωmega

# --- Install and consume
cmake --install build/native --prefix "$PWD/build/opt/kelvane"

cmake -S tests/consumer -B build/consumer -DCMAKE_PREFIX_PATH="$PWD/build/opt/kelvane"
cmake --build build/consumer
build/consumer/consumer

export PKG_CONFIG_PATH=$PWD/build/opt/kelvane/lib/pkgconfig
cc tests/consumer/main.c $(pkg-config --cflags --libs kelvane) -o build/app
build/app
