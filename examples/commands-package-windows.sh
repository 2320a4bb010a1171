#!/usr/bin/env bash
# The Windows quick start (docs/quick-start.md): the installers' commands, NSIS, Inno
# Setup and Windows Installer, run as they stand in the folder the zip unpacks into (kelvane-<version>/), under
# Wine on Linux, with nothing of the repository. ISCC names Inno Setup's compiler,
# ISCC.exe. The readme_commands_package_win32 test runs this file there in a 64-bit Wine
# prefix of its own, as Debian's default prefix is, and checks the lines marked `#=>`
# below against what it printed; the readme_snippets test checks that the docs' blocks
# are copies of its lines.
set -euo pipefail

# --- Ready the Wine prefix once: Inno Setup's setup needs a display even when silent
export WINEDLLOVERRIDES="mscoree,mshtml="    # a new prefix asks for no Mono or Gecko
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
wineserver -w    # the prefix reads the driver as its wineserver starts: let this one end

# --- NSIS: the plugin example, through Include/kelvane.nsh and Plugins/x86-unicode
makensis -DKELVANE_OUTFILE="$PWD/kelvane-plugin-example.exe" Examples/kelvane/kelvane-plugin-example.nsi
wine kelvane-plugin-example.exe /S
for dir in "${WINEPREFIX:-$HOME/.wine}/drive_c/Program Files"*/"Kelvane Plugin Example (x86)"; do
  cat "$dir/licence.txt"; echo
  stat -c %s "$dir/settings.ini"
done
#=> CFEC2AC3158C481BBE9375712ED2552891336F5E84332357A792464C35B3AFE8
#=> 52

# --- NSIS: the System example, around bin/x86/kelvane.dll
makensis -DKELVANE_DLL="$PWD/bin/x86/kelvane.dll" -DKELVANE_OUTFILE="$PWD/kelvane-example.exe" Examples/kelvane/kelvane-example.nsi
wine kelvane-example.exe /S

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
  cmp -s "$dir/settings.ini" Examples/kelvane/settings.ini && echo "settings.ini deciphered by the NSIS uninstaller"
  [ -e "$dir/kelvane.dll" ] || echo "kelvane.dll removed by the NSIS uninstaller"
done
#=> settings.ini deciphered by the NSIS uninstaller
#=> kelvane.dll removed by the NSIS uninstaller

# --- Inno Setup: compile the example with ISCC.exe, run its setup silently, read its log
wine "$ISCC" /Q "/DKelvaneDll=$(winepath -w bin/x86/kelvane.dll)" "/O$(winepath -w .)" inno/kelvane-example.iss
wine kelvane-example-setup.exe /VERYSILENT /SUPPRESSMSGBOXES /NORESTART "/LOG=$(winepath -w kelvane-example-setup.log)"
sed -n 's/.*kelvane: //p' kelvane-example-setup.log
#=> cryptString gave CFEC2AC3158C481BBE9375712ED2552891336F5E84332357A792464C35B3AFE8
#=> cryptFile gave 2

# --- Inno Setup: uninstall silently; settings.ini stays, deciphered again
for dir in "${WINEPREFIX:-$HOME/.wine}/drive_c/Program Files"*/"Kelvane Inno Example (x86)"; do
  wine "$dir/unins000.exe" /VERYSILENT /SUPPRESSMSGBOXES /NORESTART "/LOG=$(winepath -w kelvane-example-uninstall.log)"
  cat "$dir/settings.ini"
  cmp -s "$dir/settings.ini" Examples/kelvane/settings.ini && echo "settings.ini deciphered by the Inno Setup uninstaller"
  [ -e "$dir/kelvane.dll" ] || echo "kelvane.dll removed by the Inno Setup uninstaller"
done
sed -n 's/.*kelvane: //p' kelvane-example-uninstall.log
#=> settings.ini deciphered by the Inno Setup uninstaller
#=> kelvane.dll removed by the Inno Setup uninstaller
#=> decryptFile gave 2

# --- Windows Installer: the example package, built with wixl beside kelvane.wxi and bin/x86/kelvane_msi.dll
mkdir -p msi-example
cp Examples/kelvane/msi/* bin/x86/kelvane_msi.dll msi-example/
(cd msi-example && wixl -D ProgramFiles=ProgramFilesFolder -o kelvane-example.msi kelvane-example.wxs)
wine msiexec /i "$(winepath -w msi-example/kelvane-example.msi)" /qn /l*v "$(winepath -w msi-example/install.log)"
grep -a -e '^kelvane_msi ' -e 'EXAMPLE_HEX = ' msi-example/install.log
#=> kelvane_msi cryptString: a text of 64 characters, succeeded
#=> kelvane_msi decryptString: a text of 17 characters, succeeded
#=> kelvane_msi cryptFile: result 2, succeeded
#=> Property(S): EXAMPLE_HEX = CFEC2AC3158C481BBE9375712ED2552891336F5E84332357A792464C35B3AFE8
for dir in "${WINEPREFIX:-$HOME/.wine}/drive_c/Program Files"*/"kelvane example"; do
  stat -c %s "$dir/settings.ini"
done
#=> 52

# --- Windows Installer: uninstall; settings.ini goes with the package
wine msiexec /x "$(winepath -w msi-example/kelvane-example.msi)" /qn
ls "${WINEPREFIX:-$HOME/.wine}/drive_c/Program Files"*/"kelvane example" 2>/dev/null || echo "kelvane example removed by msiexec /x"
#=> kelvane example removed by msiexec /x
