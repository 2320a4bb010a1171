#!/usr/bin/env bash
# The README's commands for the two installers, NSIS and Inno Setup, run as they stand
# from the repository's root once `cmake --build --preset win32` has built the DLL. The
# readme_commands_installers test runs this file in a 64-bit Wine prefix of its own, as
# Debian's default prefix is, and checks the lines marked `#=>` below against what it
# printed; the readme_snippets test checks that the README's blocks are copies of its lines.
set -euo pipefail

# --- Ready the Wine prefix once: Inno Setup's setup needs a display even when silent
export WINEDLLOVERRIDES="mscoree,mshtml="    # a new prefix asks for no Mono or Gecko
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
wineserver -w    # the prefix reads the driver as its wineserver starts: let this one end

# --- NSIS: the plugin example, built with the build's plugin folders and run silently
makensis -DKELVANE_PLUGINS="$PWD/build/win32/nsis-plugins" -DKELVANE_OUTFILE="$PWD/build/win32/kelvane-plugin-example.exe" examples/nsis/kelvane-plugin-example.nsi
wine build/win32/kelvane-plugin-example.exe /S
for dir in "${WINEPREFIX:-$HOME/.wine}/drive_c/Program Files"*/"Kelvane Plugin Example (x86)"; do
  cat "$dir/licence.txt"; echo
  stat -c %s "$dir/settings.ini"
done
#=> CFEC2AC3158C481BBE9375712ED2552891336F5E84332357A792464C35B3AFE8
#=> 52

# --- NSIS: the System example, built beside the DLL and run silently
makensis -DKELVANE_DLL="$PWD/build/win32/bin/kelvane.dll" -DKELVANE_OUTFILE="$PWD/build/win32/kelvane-example.exe" examples/nsis/kelvane-example.nsi
wine build/win32/kelvane-example.exe /S

# --- Where a 32-bit installer put its files: "Program Files (x86)" in a 64-bit prefix
for dir in "${WINEPREFIX:-$HOME/.wine}/drive_c/Program Files"*/"Kelvane Example (x86)"; do
  cat "$dir/licence.txt"; echo
  stat -c %s "$dir/settings.ini"
done
#=> CFEC2AC3158C481BBE9375712ED2552891336F5E84332357A792464C35B3AFE8
#=> 52

# --- NSIS: uninstall; settings.ini stays, deciphered again
for dir in "${WINEPREFIX:-$HOME/.wine}/drive_c/Program Files"*/"Kelvane Example (x86)"; do
  wine "$dir/uninstall.exe" /S
  wineserver -w    # the uninstaller runs on as a copy of itself in the temporary folder
  cat "$dir/settings.ini"
  cmp -s "$dir/settings.ini" examples/nsis/settings.ini && echo "settings.ini deciphered by the NSIS uninstaller"
  [ -e "$dir/kelvane.dll" ] || echo "kelvane.dll removed by the NSIS uninstaller"
done
#=> settings.ini deciphered by the NSIS uninstaller
#=> kelvane.dll removed by the NSIS uninstaller

# --- Inno Setup: compile the example with ISCC.exe, run its setup silently, read its log
source scripts/innosetup.sh    # INNOSETUP_ISCC: where scripts/setup.sh unpacked ISCC.exe
wine "$INNOSETUP_ISCC" /Q "/DKelvaneDll=$(winepath -w build/win32/bin/kelvane.dll)" "/O$(winepath -w build/win32)" examples/inno/kelvane-example.iss
wine build/win32/kelvane-example-setup.exe /VERYSILENT /SUPPRESSMSGBOXES /NORESTART "/LOG=$(winepath -w build/win32/kelvane-example-setup.log)"
sed -n 's/.*kelvane: //p' build/win32/kelvane-example-setup.log
#=> cryptString gave CFEC2AC3158C481BBE9375712ED2552891336F5E84332357A792464C35B3AFE8
#=> cryptFile gave 2

# --- Inno Setup: uninstall silently; settings.ini stays, deciphered again
for dir in "${WINEPREFIX:-$HOME/.wine}/drive_c/Program Files"*/"Kelvane Inno Example (x86)"; do
  wine "$dir/unins000.exe" /VERYSILENT /SUPPRESSMSGBOXES /NORESTART "/LOG=$(winepath -w build/win32/kelvane-example-uninstall.log)"
  cat "$dir/settings.ini"
  cmp -s "$dir/settings.ini" examples/nsis/settings.ini && echo "settings.ini deciphered by the Inno Setup uninstaller"
  [ -e "$dir/kelvane.dll" ] || echo "kelvane.dll removed by the Inno Setup uninstaller"
done
sed -n 's/.*kelvane: //p' build/win32/kelvane-example-uninstall.log
#=> settings.ini deciphered by the Inno Setup uninstaller
#=> kelvane.dll removed by the Inno Setup uninstaller
#=> decryptFile gave 2

# --- Windows Installer: the example package, built with wixl beside kelvane.wxi and the DLL
mkdir -p build/win32/msi-example
cp examples/msi/kelvane.wxi examples/msi/kelvane-example.wxs examples/msi/settings.ini build/win32/msi/kelvane_msi.dll build/win32/msi-example/
(cd build/win32/msi-example && wixl -D ProgramFiles=ProgramFilesFolder -o kelvane-example.msi kelvane-example.wxs)
wine msiexec /i "$(winepath -w build/win32/msi-example/kelvane-example.msi)" /qn /l*v "$(winepath -w build/win32/msi-example/install.log)"
grep -a -e '^kelvane_msi ' -e 'EXAMPLE_HEX = ' build/win32/msi-example/install.log
#=> kelvane_msi cryptString: a text of 64 characters, succeeded
#=> kelvane_msi decryptString: a text of 17 characters, succeeded
#=> kelvane_msi cryptFile: result 2, succeeded
#=> Property(S): EXAMPLE_HEX = CFEC2AC3158C481BBE9375712ED2552891336F5E84332357A792464C35B3AFE8
for dir in "${WINEPREFIX:-$HOME/.wine}/drive_c/Program Files"*/"kelvane example"; do
  stat -c %s "$dir/settings.ini"
done
#=> 52

# --- Windows Installer: uninstall; settings.ini goes with the package
wine msiexec /x "$(winepath -w build/win32/msi-example/kelvane-example.msi)" /qn
ls "${WINEPREFIX:-$HOME/.wine}/drive_c/Program Files"*/"kelvane example" 2>/dev/null || echo "kelvane example removed by msiexec /x"
#=> kelvane example removed by msiexec /x
