; The smallest useful installer around kelvane.dll: it installs settings.ini and the DLL
; into a folder whose name has parentheses, as "Program Files (x86)" does, enciphers a
; licence key into licence.txt and the settings file in place, and ends with exit code 3
; when a call found no DLL or function. Its uninstaller deciphers settings.ini again.
; Build and run it from the repository's root:
;
;   makensis -DKELVANE_DLL="$PWD/build/win32/bin/kelvane.dll" -DKELVANE_OUTFILE="$PWD/build/win32/kelvane-example.exe" examples/nsis/kelvane-example.nsi
;   wine build/win32/kelvane-example.exe /S
;
; makensis reads File and OutFile paths from this script's folder, hence the full paths.
Unicode true
RequestExecutionLevel admin
SilentInstall silent
Name "kelvane example"
!ifndef KELVANE_DLL
  !define KELVANE_DLL "kelvane.dll"
!endif
!ifndef KELVANE_OUTFILE
  !define KELVANE_OUTFILE "kelvane-example.exe"
!endif
OutFile "${KELVANE_OUTFILE}"
InstallDir "$PROGRAMFILES\Kelvane Example (x86)"

!include LogicLib.nsh
Section
  SetOutPath $INSTDIR
  File "settings.ini"
  File "/oname=$INSTDIR\kelvane.dll" "${KELVANE_DLL}"
  StrCpy $9 "$INSTDIR\kelvane.dll"
  System::Call 'kernel32::LoadLibrary(t r9) p.r9'   ; 0: not loaded

  StrCpy $2 "Install key: 4711"
  StrCpy $3 "pass phrase"
  StrCpy $0 "error"                                 ; a call System cannot parse leaves $0 as it was
  System::Call 'kelvane::cryptString(m r2, m r3) p.r0 ?c'
  ${If} $0 != "error"
  ${AndIf} $0 <> 0
    System::Call 'kernel32::lstrcpynA(m .r1, p r0, i ${NSIS_MAX_STRLEN})'
    System::Call 'kelvane::freeString(p r0) ?c'
  ${Else}
    SetErrorLevel 3
  ${EndIf}                                          ; $1: the hex text
  FileOpen $4 "$INSTDIR\licence.txt" w
  FileWrite $4 $1
  FileClose $4

  StrCpy $2 "$INSTDIR\settings.ini"
  StrCpy $0 "error"
  System::Call '"$INSTDIR\kelvane.dll"::cryptFile(m r2) i.r0 ?c'   ; 2, 1, -1, -2 or -3
  ${If} $0 == "error"
    SetErrorLevel 3
  ${EndIf}
  WriteUninstaller "$INSTDIR\uninstall.exe"
SectionEnd

; The uninstaller leaves settings.ini behind, deciphered again. Windows cannot delete a
; DLL that is still loaded: FreeLibrary comes before Delete.
Section "Uninstall"
  StrCpy $9 "$INSTDIR\kelvane.dll"
  System::Call 'kernel32::LoadLibrary(t r9) p.r9'
  StrCpy $2 "$INSTDIR\settings.ini"
  StrCpy $0 "error"
  System::Call 'kelvane::decryptFile(m r2) i.r0 ?c'   ; 2: deciphered
  System::Call 'kernel32::FreeLibrary(p r9)'
  ${If} $0 == "error"
    SetErrorLevel 3
  ${EndIf}
  Delete "$INSTDIR\kelvane.dll"
  Delete "$INSTDIR\licence.txt"
  Delete "$INSTDIR\uninstall.exe"
SectionEnd
