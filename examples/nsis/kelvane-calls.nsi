; An installer that bundles kelvane.dll and calls every one of its exports through the
; System plugin. It writes what each call returned to kelvane-results.txt beside itself,
; one name=value line per call, and shows no window.
;
;   makensis -DKELVANE_DLL="$PWD/build/win32/bin/kelvane.dll" -DKELVANE_OUTFILE="$PWD/build/win32/kelvane-calls.exe" examples/nsis/kelvane-calls.nsi
;   kelvane-calls.exe /S
; (makensis reads File and OutFile paths from this script's folder, hence the full paths.)
;
; Its exit code: 0 every call was made, 3 the DLL or one of its functions was not found
; (System then leaves the text "error" in the result), 4 the results file could not be
; opened. The files it works on sit beside it: settings.ini (enciphered by cryptFile),
; restored.ini (enciphered, then deciphered by decryptFile as an upgrade or uninstall
; would; the caller puts both there) and subkeys.txt (written by ReadSubKeysInFile). The keys it
; reads and deletes are below KELVANE_KEY; the caller creates them.
; -DKELVANE_LIB_FOLDER=... unpacks the DLL into another folder than $PLUGINSDIR.
;
; The rules for calling kelvane from NSIS:
; - Load the DLL once by its full path with LoadLibrary, then call it by module name
;   (`kelvane::cryptString`). System cannot parse a path with parentheses in it
;   ("C:\Program Files (x86)\...") inside the call text, and by bare name it does not
;   search the installer's folders; a module already loaded is found by name. The
;   handle held keeps the library, and so its results, in place until the end.
; - Every call ends in `?c`: the exports are cdecl. Without it calls still appeared to
;   work on x86, so nothing would catch the loss; keep it.
; - Strings go in as `m` (narrow; a Unicode installer converts its text to the ANSI code
;   page). They are passed through registers (`m r2`), never written into the call text,
;   so quotes, commas or parentheses in them cannot confuse the plugin.
; - A text result is taken as a pointer (`p.r0`), copied with lstrcpynA (cut at
;   NSIS_MAX_STRLEN - 1 characters) and handed back with freeString. A null pointer
;   means no result. Reading it straight as `m.r0` would not free it, and in a Unicode
;   installer the plugin reads a fixed length from the pointer.

; Unicode, the default of makensis 3 and what current installers are; the narrow
; arguments and pointer results above work the same in an ANSI installer.
Unicode true
RequestExecutionLevel admin
SilentInstall silent
Name "kelvane calls"

!ifndef KELVANE_DLL
  !define KELVANE_DLL "kelvane.dll"
!endif
!ifndef KELVANE_OUTFILE
  !define KELVANE_OUTFILE "kelvane-calls.exe"
!endif
OutFile "${KELVANE_OUTFILE}"

; The keys below HKEY_LOCAL_MACHINE the calls read and delete.
!ifndef KELVANE_KEY
  !define KELVANE_KEY "SOFTWARE\KelvaneNsisTest"
!endif
!define KEYS_KEY "${KELVANE_KEY}\Keys"        ; has subkeys to list
!define DOOMED_KEY "${KELVANE_KEY}\Doomed"    ; deleted by RegDeleteKeyNT
!define VALUE_NAME "Product"                  ; a text value of KELVANE_KEY
!define MISSING "Missing"                     ; a key and value name nowhere present

!define TEXT "Install key: 4711"              ; enciphered and deciphered
!define PASS_PHRASE "pass phrase"

!include LogicLib.nsh

!ifndef KELVANE_LIB_FOLDER
  !define KELVANE_LIB_FOLDER "$PLUGINSDIR"
!endif
!define LIB "kelvane"   ; the module name the calls use once it is loaded

Var Results   ; the results file's handle
Var Freed     ; text results handed back with freeString
Var Failed    ; 1 once a call found no DLL or function

!macro Result NAME VALUE
  FileWrite $Results "${NAME}=${VALUE}$\r$\n"
!macroend

; $0: the pointer a text export returned (or "error"). Gives its text in $1, "(null)"
; for a null pointer, and hands the result back to the library. Changes $9.
Function TakeText
  ${If} $0 == "error"
    StrCpy $Failed 1
    StrCpy $1 "error"
  ${ElseIf} $0 = 0
    StrCpy $1 "(null)"
  ${Else}
    System::Call 'kernel32::lstrcpynA(m .r1, p r0, i ${NSIS_MAX_STRLEN})'
    ; freeString returns nothing; `v.r9` still receives "error" should it be missing.
    System::Call '${LIB}::freeString(p r0) v.r9 ?c'
    ${If} $9 == "error"
      StrCpy $Failed 1
    ${Else}
      IntOp $Freed $Freed + 1
    ${EndIf}
  ${EndIf}
FunctionEnd

; Calls an export that returns text (CALL: its name and parameters) and writes the text.
!macro TextCall LABEL CALL
  System::Call '${LIB}::${CALL} p.r0 ?c'
  Call TakeText
  !insertmacro Result "${LABEL}" $1
!macroend

; Calls an export that returns an int and writes the number.
!macro IntCall LABEL CALL
  System::Call '${LIB}::${CALL} i.r0 ?c'
  ${If} $0 == "error"
    StrCpy $Failed 1
  ${EndIf}
  !insertmacro Result "${LABEL}" $0
!macroend

Function CallStringExports
  StrCpy $2 "${TEXT}"
  StrCpy $3 "${PASS_PHRASE}"
  !insertmacro TextCall cryptString "cryptString(m r2, m r3)"
  StrCpy $2 $1
  !insertmacro TextCall decryptString "decryptString(m r2, m r3)"
  !insertmacro TextCall cryptString.null "cryptString(p 0, m r3)"
FunctionEnd

Function CallFileExports
  StrCpy $2 "$EXEDIR\settings.ini"
  !insertmacro IntCall cryptFile "cryptFile(m r2)"
  !insertmacro IntCall cryptFile.again "cryptFile(m r2)"
  StrCpy $2 "$EXEDIR\${MISSING}.ini"
  !insertmacro IntCall cryptFile.missing "cryptFile(m r2)"
  StrCpy $2 "$EXEDIR\restored.ini"
  !insertmacro IntCall cryptFile.restored "cryptFile(m r2)"
  !insertmacro IntCall decryptFile "decryptFile(m r2)"
  !insertmacro IntCall decryptFile.again "decryptFile(m r2)"
  StrCpy $2 "$EXEDIR\${MISSING}.ini"
  !insertmacro IntCall decryptFile.missing "decryptFile(m r2)"
FunctionEnd

Function CallListingExports
  StrCpy $2 "${KEYS_KEY}"
  !insertmacro TextCall ReadSubKeys "ReadSubKeys(m r2)"
  StrCpy $3 "${KELVANE_KEY}\${MISSING}"
  !insertmacro TextCall ReadSubKeys.missing "ReadSubKeys(m r3)"

  StrCpy $4 "$EXEDIR\subkeys.txt"
  Delete $4
  !insertmacro IntCall ReadSubKeysInFile "ReadSubKeysInFile(m r2, m r4)"
  !insertmacro IntCall ReadSubKeysInFile.missing "ReadSubKeysInFile(m r3, m r4)"
  StrCpy $1 "(no file)"
  ClearErrors
  FileOpen $5 $4 r
  ${IfNot} ${Errors}
    FileRead $5 $1
    FileClose $5
  ${EndIf}
  !insertmacro Result ReadSubKeysInFile.file $1

  !insertmacro TextCall ReadSubValues "ReadSubValues()"
FunctionEnd

Function CallValueExports
  StrCpy $2 "${KELVANE_KEY}"
  StrCpy $3 "${VALUE_NAME}"
  !insertmacro TextCall ReadKeyValue "ReadKeyValue(m r2, m r3)"
  StrCpy $3 "${MISSING}"
  !insertmacro TextCall ReadKeyValue.missing "ReadKeyValue(m r2, m r3)"
FunctionEnd

Function CallDeletionExports
  StrCpy $2 "${DOOMED_KEY}"
  !insertmacro IntCall RegDeleteKeyNT "RegDeleteKeyNT(m r2)"
  !insertmacro IntCall RegDeleteKeyNT.again "RegDeleteKeyNT(m r2)"
  StrCpy $2 "${KELVANE_KEY}"
  !insertmacro TextCall ReadSubKeys.afterDelete "ReadSubKeys(m r2)"
FunctionEnd

Section "kelvane calls"
  InitPluginsDir
  SetOutPath "${KELVANE_LIB_FOLDER}"
  File "/oname=${KELVANE_LIB_FOLDER}\kelvane.dll" "${KELVANE_DLL}"
  StrCpy $9 "${KELVANE_LIB_FOLDER}\kelvane.dll"
  System::Call 'kernel32::LoadLibrary(t r9) p.r9'
  ${If} $9 = 0
    SetErrorLevel 3
    Quit
  ${EndIf}
  StrCpy $Freed 0
  StrCpy $Failed 0

  ClearErrors
  FileOpen $Results "$EXEDIR\kelvane-results.txt" w
  ${If} ${Errors}
    SetErrorLevel 4
    Quit
  ${EndIf}
  Call CallStringExports
  Call CallFileExports
  Call CallListingExports
  Call CallValueExports
  Call CallDeletionExports
  !insertmacro TextCall ComputerName "ComputerName()"
  !insertmacro Result freeString $Freed
  FileClose $Results

  ${If} $Failed = 1
    SetErrorLevel 3
  ${Else}
    SetErrorLevel 0
  ${EndIf}
SectionEnd
