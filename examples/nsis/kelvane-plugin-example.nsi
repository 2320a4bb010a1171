; The smallest useful installer through the kelvane_nsis plugin: it installs settings.ini
; into a folder whose name has parentheses, as "Program Files (x86)" does, enciphers a
; licence key into licence.txt and the settings file in place, and ends with exit code 3
; when a call failed. makensis puts the plugin into the installer itself. Build and run it
; from the repository's root:
;
;   makensis -DKELVANE_PLUGINS="$PWD/build/win32/nsis-plugins" -DKELVANE_OUTFILE="$PWD/build/win32/kelvane-plugin-example.exe" examples/nsis/kelvane-plugin-example.nsi
;   wine build/win32/kelvane-plugin-example.exe /S
;
; KELVANE_PLUGINS: the folder holding x86-unicode\, x86-ansi\ and amd64-unicode\ (the
; build's nsis-plugins, or share/nsis/Plugins of an installed tree, where makensis
; itself looks when kelvane is installed beside it).
Unicode true
RequestExecutionLevel admin
SilentInstall silent
Name "kelvane plugin example"
!ifdef KELVANE_PLUGINS
  !addplugindir /x86-unicode "${KELVANE_PLUGINS}\x86-unicode"
!endif
!ifndef KELVANE_OUTFILE
  !define KELVANE_OUTFILE "kelvane-plugin-example.exe"
!endif
OutFile "${KELVANE_OUTFILE}"
InstallDir "$PROGRAMFILES\Kelvane Plugin Example (x86)"

!include LogicLib.nsh
Section
  SetOutPath $INSTDIR
  File "settings.ini"

  ClearErrors
  kelvane_nsis::cryptString "Install key: 4711" "pass phrase"
  Pop $1                                            ; the hex text
  FileOpen $4 "$INSTDIR\licence.txt" w
  FileWrite $4 $1
  FileClose $4

  kelvane_nsis::cryptFile "$INSTDIR\settings.ini"
  Pop $0                                            ; 2, 1, -1, -2 or -3
  ${If} ${Errors}                                   ; a null text, or a file result below 1
    SetErrorLevel 3
  ${EndIf}
SectionEnd
