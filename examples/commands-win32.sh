#!/usr/bin/env bash
# The README's commands for the 32-bit DLL, run as they stand from the repository's root
# once `cmake --build --preset win32` has built it and Wine is started
# (`source scripts/wine-env.sh && wine_start`). The readme_commands_win32 test runs this
# file and checks the lines marked `#=>` below against what it printed; the
# readme_snippets test checks that the README's command blocks are copies of its lines.
set -euo pipefail

# --- The command-line host under Wine
wine build/win32/bin/kelvane.exe --lib build/win32/bin/kelvane.dll cryptString abc def
#=> 591EF35FAB7B3BC302C991ECBB61653A02C991ECBB61653A02C991ECBB61653A

# --- The NSIS examples, built beside the DLL and installed into the Wine prefix: the plugin, then System
makensis -DKELVANE_PLUGINS="$PWD/build/win32/nsis-plugins" -DKELVANE_OUTFILE="$PWD/build/win32/kelvane-plugin-example.exe" examples/nsis/kelvane-plugin-example.nsi
wine build/win32/kelvane-plugin-example.exe /S
cat "${WINEPREFIX:-$HOME/.wine}/drive_c/Program Files/Kelvane Plugin Example (x86)/licence.txt"; echo
stat -c %s "${WINEPREFIX:-$HOME/.wine}/drive_c/Program Files/Kelvane Plugin Example (x86)/settings.ini"
#=> CFEC2AC3158C481BBE9375712ED2552891336F5E84332357A792464C35B3AFE8
#=> 52

makensis -DKELVANE_DLL="$PWD/build/win32/bin/kelvane.dll" -DKELVANE_OUTFILE="$PWD/build/win32/kelvane-example.exe" examples/nsis/kelvane-example.nsi
wine build/win32/kelvane-example.exe /S
cat "${WINEPREFIX:-$HOME/.wine}/drive_c/Program Files/Kelvane Example (x86)/licence.txt"; echo
stat -c %s "${WINEPREFIX:-$HOME/.wine}/drive_c/Program Files/Kelvane Example (x86)/settings.ini"
#=> CFEC2AC3158C481BBE9375712ED2552891336F5E84332357A792464C35B3AFE8
#=> 52

# --- The C host: one source for both targets
i686-w64-mingw32-gcc-posix examples/host.c -o build/win32/bin/host.exe
wine build/win32/bin/host.exe
#=> A07E13A125786D5D878746000CF14905A792464C35B3AFE8A792464C35B3AFE8
#=> licence 4711

# --- Install and consume, cross-built with the toolchain file installed with the package
cmake --install build/win32 --prefix "$PWD/build/opt/kelvane-win32"
cmake -S tests/consumer -B build/consumer-win32 -DCMAKE_PREFIX_PATH="$PWD/build/opt/kelvane-win32" \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/build/opt/kelvane-win32/lib/cmake/kelvane/mingw-i686.cmake"
cmake --build build/consumer-win32
wine build/consumer-win32/consumer.exe
