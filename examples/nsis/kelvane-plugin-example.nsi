; The smallest useful installer through the kelvane_nsis plugin: it installs settings.ini
; into a folder whose name has parentheses, as "Program Files (x86)" does, enciphers a
; licence key into licence.txt and the settings file in place, and ends with exit code 3
; when a call failed. makensis puts the plugin into the installer itself. Build and run it
; from the unpacked package's folder (Docs\kelvane\quick-start.txt):
;
;   makensis -DKELVANE_OUTFILE="$PWD/kelvane-plugin-example.exe" Examples/kelvane/kelvane-plugin-example.nsi
;   wine kelvane-plugin-example.exe /S
;
; KELVANE_PLUGINS: the folder holding x86-unicode\, x86-ansi\ and amd64-unicode\; by
; default the package's Plugins\, two folders up. Unpacked over an NSIS folder, makensis
; finds the plugin and kelvane.nsh by itself.
Unicode true
RequestExecutionLevel admin
SilentInstall silent
Name "kelvane plugin example"
!ifndef KELVANE_PLUGINS
  !define KELVANE_PLUGINS "..\..\Plugins"
!endif
!addplugindir /x86-unicode "${KELVANE_PLUGINS}\x86-unicode"
; kelvane.nsh: beside this script in the repository, in the package's Include\ (two folders
; up; makensis reads paths from the script's folder).
!addincludedir "..\..\Include"
!include kelvane.nsh
!ifndef KELVANE_OUTFILE
  !define KELVANE_OUTFILE "kelvane-plugin-example.exe"
!endif
OutFile "${KELVANE_OUTFILE}"
InstallDir "$PROGRAMFILES\Kelvane Plugin Example (x86)"

!include LogicLib.nsh
Section
  SetOutPath $INSTDIR
  File "settings.ini"

  ${Kelvane_cryptString} "Install key: 4711" "pass phrase" $1   ; the hex text
  ${If} ${Errors}
    SetErrorLevel 3
  ${EndIf}
  FileOpen $4 "$INSTDIR\licence.txt" w
  FileWrite $4 $1
  FileClose $4

  ${Kelvane_cryptFile} "$INSTDIR\settings.ini" $0     ; 2, 1, -1, -2 or -3
  ${If} ${Errors}                                   ; a file result below 1
    SetErrorLevel 3
  ${EndIf}
SectionEnd
