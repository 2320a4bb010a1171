; An installer that bundles kelvane and calls every one of its exports twice: through the
; kelvane_nsis plugin, and through the System plugin and kelvane.dll. Each way writes what
; each call returned to kelvane-results.txt in its own folder beside the installer, one
; name=value line per call, and shows no window. It builds for each NSIS target:
;
;   makensis -INPUTCHARSET UTF8 -DKELVANE_TARGET=x86-unicode -DKELVANE_PLUGIN_DIR="$PWD/build/win32/nsis-plugins/x86-unicode" -DKELVANE_DLL="$PWD/build/win32/bin/kelvane.dll" -DKELVANE_OUTFILE="$PWD/build/win32/kelvane-calls.exe" examples/nsis/kelvane-calls.nsi
;   kelvane-calls.exe /S
; (makensis reads File and OutFile paths from this script's folder, hence the full paths;
; x86-ansi takes the same 32-bit DLL, amd64-unicode the 64-bit DLL and plugin.)
;
; Its exit code: 0 every call was made, 3 the DLL or one of its functions was not found
; (System then leaves the text "error" in the result), 4 a results file could not be
; opened. Each way works in its own folder, plugin\ and system\ beside the installer, on
; settings.ini (enciphered by cryptFile), restored.ini (enciphered, then deciphered by
; decryptFile as an upgrade or uninstall would), a file in a folder named in Greek and
; Japanese (the caller puts all three there) and subkeys.txt (written by ReadSubKeysInFile);
; and below its own key, KELVANE_KEY\Plugin or KELVANE_KEY\System, which the caller creates.
; -DKELVANE_LIB_FOLDER=... unpacks the DLL into another folder than $PLUGINSDIR.
;
; The rules for calling kelvane through its plugin:
; - `${Kelvane_cryptString} "text" "pass phrase" $0` (kelvane.nsh): the arguments in the
;   order of the export, then the result's variable. The plugin frees its own results.
; - A failure sets the error flag (ClearErrors first, then IfErrors): a null text result
;   comes as an empty string, a failure number (cryptFile below 1, RegDeleteKeyNT not 0) as
;   itself. A result longer than NSIS_MAX_STRLEN - 1 characters is never cut: empty, and
;   the error flag.
; - In a Unicode installer paths and names reach the system as UTF-16 whole; texts go to the
;   ANSI code page, so the hex is the DLL's for the same text, and a text with a character
;   the code page lacks is refused (empty, error flag) instead of turning into '?'.
;
; The rules for calling kelvane.dll through the System plugin:
; - Load the DLL once by its full path with LoadLibrary, then call it by module name
;   (`kelvane::cryptString`). System cannot parse a path with parentheses in it
;   ("C:\Program Files (x86)\...") inside the call text, and by bare name it does not
;   search the installer's folders; a module already loaded is found by name. The
;   handle held keeps the library, and so its results, in place until the end.
; - Every call ends in `?c`: the exports are cdecl. Without it calls still appeared to
;   work on x86, so nothing would catch the loss; keep it.
; - Texts go in as `m` (narrow; a Unicode installer converts its text to the ANSI code
;   page, characters outside it to '?'). Paths and names go in as `w` to the wide twins
;   (cryptFileW ...) in a Unicode installer, as `m` to the narrow exports in an ANSI one.
;   They are passed through registers (`m r2`), never written into the call text, so
;   quotes, commas or parentheses in them cannot confuse the plugin.
; - A text result is taken as a pointer (`p.r0`), copied with lstrcpynA (lstrcpynW for a
;   wide twin's; cut at NSIS_MAX_STRLEN - 1 characters) and handed back with freeString.
;   A null pointer means no result. Reading it straight as `m.r0` would not free it, and
;   in a Unicode installer the plugin reads a fixed length from the pointer.

!ifndef KELVANE_TARGET
  !define KELVANE_TARGET "x86-unicode"
!endif
Target ${KELVANE_TARGET}
!ifdef KELVANE_PLUGIN_DIR
  !addplugindir /${KELVANE_TARGET} "${KELVANE_PLUGIN_DIR}"
!endif
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

; The key below HKEY_LOCAL_MACHINE whose Plugin and System subkeys the calls read and delete in.
!ifndef KELVANE_KEY
  !define KELVANE_KEY "SOFTWARE\KelvaneNsisTest"
!endif
!define KEYS "Keys"                           ; has subkeys to list
!define DOOMED "Doomed"                       ; deleted by RegDeleteKeyNT
!define VALUE_NAME "Product"                  ; a text value of the key
!define MISSING "Missing"                     ; a key and value name nowhere present
; Names no single ANSI code page holds, made by the caller.
!define UNICODE_KEY "Unicode\Κλειδί 鍵"        ; with the subkeys Άλφα and ベータ and a value
!define UNICODE_VALUE "Τιμή 値"                ; its data: Größe 大きさ
!define UNICODE_LEAF "Unicode\Φύλλο 葉"         ; deleted by RegDeleteKeyNT
!define UNICODE_MISSING "Unicode\Λείπει 無い"
!define UNICODE_FILE "Φάκελος フォルダ\αρχείο 設定.ini"
!define UNICODE_LIST "Φάκελος フォルダ\λίστα.txt"

!define TEXT "Install key: 4711"              ; enciphered and deciphered
!define CODE_PAGE_TEXT "Größe"                ; a text the ANSI code page (1252) holds
!define OUTSIDE_TEXT "Ελληνικά 日本語"         ; a text it does not
!define PASS_PHRASE "pass phrase"

!include LogicLib.nsh
; kelvane.nsh: beside this script in the repository, in the package's Include\ (two folders
; up; makensis reads paths from the script's folder).
!addincludedir "..\..\Include"
!include kelvane.nsh

!ifndef KELVANE_LIB_FOLDER
  !define KELVANE_LIB_FOLDER "$PLUGINSDIR"
!endif
!define LIB "kelvane"   ; the module name the calls use once it is loaded

; Paths and names through System: the wide twins in a Unicode installer, the narrow
; exports in an ANSI one.
!if ${NSIS_CHAR_SIZE} > 1
  !define NAMES "w"
  !define TWIN "W"
  !define COPY_NAME "lstrcpynW"
!else
  !define NAMES "m"
  !define TWIN ""
  !define COPY_NAME "lstrcpynA"
!endif

Var Form      ; "plugin" or "system": the way the calls go
Var KeyRoot   ; the form's key below HKEY_LOCAL_MACHINE
Var FileRoot  ; the form's folder
Var Results   ; the results file's handle
Var Freed     ; text results handed back with freeString
Var Failed    ; 1 once a call found no DLL or function

; A line of the results file, in UTF-16 where the installer's strings are.
!macro Result NAME VALUE
  !if ${NSIS_CHAR_SIZE} > 1
    FileWriteUTF16LE $Results "${NAME}=${VALUE}$\r$\n"
  !else
    FileWrite $Results "${NAME}=${VALUE}$\r$\n"
  !endif
!macroend

; $0: the pointer a text export returned through System (or "error"). Gives its text in
; $1, "(null)" for a null pointer, and hands the result back. $8: the copy function
; (lstrcpynA for narrow text, lstrcpynW for a wide twin's). Changes $9.
Function TakeText
  ${If} $0 == "error"
    StrCpy $Failed 1
    StrCpy $1 "error"
  ${ElseIf} $0 = 0
    StrCpy $1 "(null)"
  ${Else}
    ${If} $8 == "lstrcpynW"
      System::Call 'kernel32::lstrcpynW(w .r1, p r0, i ${NSIS_MAX_STRLEN})'
    ${Else}
      System::Call 'kernel32::lstrcpynA(m .r1, p r0, i ${NSIS_MAX_STRLEN})'
    ${EndIf}
    ; freeString returns nothing; `v.r9` still receives "error" should it be missing.
    System::Call '${LIB}::freeString(p r0) v.r9 ?c'
    ${If} $9 == "error"
      StrCpy $Failed 1
    ${Else}
      IntOp $Freed $Freed + 1
    ${EndIf}
  ${EndIf}
FunctionEnd

; $1: what the plugin pushed. With the error flag set, "(null)" stands for an empty
; result and " !error" follows.
Function MarkPluginError
  ${If} ${Errors}
    ${If} $1 == ""
      StrCpy $1 "(null)"
    ${EndIf}
    StrCpy $1 "$1 !error"
  ${EndIf}
FunctionEnd

; Calls EXPORT with the arguments $2 (and $3) and writes its result, unless LABEL is "-";
; $1 holds it. The plugin form calls kelvane_nsis::EXPORT through kelvane.nsh's macro; the System form calls
; SYSTEM_EXPORT with arguments of TYPE, KIND "p" for a text result (copied with COPY) or
; "i" for an int.
!macro Call LABEL EXPORT SYSTEM_EXPORT KIND COUNT TYPE COPY
  ${If} $Form == "plugin"
    !if ${COUNT} == 0
      !insertmacro Kelvane_${EXPORT} $1
    !else if ${COUNT} == 1
      !insertmacro Kelvane_${EXPORT} $2 $1
    !else
      !insertmacro Kelvane_${EXPORT} $2 $3 $1
    !endif
    Call MarkPluginError
  ${Else}
    !if ${COUNT} == 0
      System::Call '${LIB}::${SYSTEM_EXPORT}() ${KIND}.r0 ?c'
    !else if ${COUNT} == 1
      System::Call '${LIB}::${SYSTEM_EXPORT}(${TYPE} r2) ${KIND}.r0 ?c'
    !else
      System::Call '${LIB}::${SYSTEM_EXPORT}(${TYPE} r2, ${TYPE} r3) ${KIND}.r0 ?c'
    !endif
    !if ${KIND} == "p"
      StrCpy $8 ${COPY}
      Call TakeText
    !else
      StrCpy $1 $0
      ${If} $0 == "error"
        StrCpy $Failed 1
      ${EndIf}
    !endif
  ${EndIf}
  !if "${LABEL}" != "-"
    !insertmacro Result "${LABEL}" $1
  !endif
!macroend

; Texts go as `m` to the string exports; paths and names to the twins of the installer's width.
!macro TextCall LABEL EXPORT COUNT
  !insertmacro Call "${LABEL}" ${EXPORT} ${EXPORT} p ${COUNT} m lstrcpynA
!macroend
!macro NameTextCall LABEL EXPORT COUNT
  !insertmacro Call "${LABEL}" ${EXPORT} ${EXPORT}${TWIN} p ${COUNT} ${NAMES} ${COPY_NAME}
!macroend
!macro NameIntCall LABEL EXPORT COUNT
  !insertmacro Call "${LABEL}" ${EXPORT} ${EXPORT}${TWIN} i ${COUNT} ${NAMES} -
!macroend

Function CallStringExports
  StrCpy $2 "${TEXT}"
  StrCpy $3 "${PASS_PHRASE}"
  !insertmacro TextCall cryptString cryptString 2
  StrCpy $2 $1
  !insertmacro TextCall decryptString decryptString 2
  StrCpy $2 "${CODE_PAGE_TEXT}"
  !insertmacro TextCall cryptString.codePage cryptString 2
  StrCpy $2 $1
  !insertmacro TextCall decryptString.codePage decryptString 2
  ; A text outside the code page: refused ("(null) !error"), or its round trip "same" or "lost".
  StrCpy $2 "${OUTSIDE_TEXT}"
  !insertmacro TextCall - cryptString 2
  ${If} $1 != "(null) !error"
    StrCpy $2 $1
    !insertmacro TextCall - decryptString 2
    ${If} $1 == "${OUTSIDE_TEXT}"
      StrCpy $1 "same"
    ${Else}
      StrCpy $1 "lost"
    ${EndIf}
  ${EndIf}
  !insertmacro Result outside.roundTrip $1
  ; Hex longer than the installer's strings (680 characters give 1408 digits): refused by
  ; the plugin, cut to NSIS_MAX_STRLEN - 1 by lstrcpynA through System.
  StrCpy $2 ""
  ${For} $R0 1 40
    StrCpy $2 "$2${TEXT}"
  ${Next}
  !insertmacro TextCall - cryptString 2
  ${If} $1 == "(null) !error"
    StrCpy $1 "refused"
  ${Else}
    StrLen $1 $1
  ${EndIf}
  !insertmacro Result cryptString.long $1
FunctionEnd

Function CallFileExports
  StrCpy $2 "$FileRoot\settings.ini"
  !insertmacro NameIntCall cryptFile cryptFile 1
  !insertmacro NameIntCall cryptFile.again cryptFile 1
  StrCpy $2 "$FileRoot\${MISSING}.ini"
  !insertmacro NameIntCall cryptFile.missing cryptFile 1
  StrCpy $2 "$FileRoot\restored.ini"
  !insertmacro NameIntCall cryptFile.restored cryptFile 1
  !insertmacro NameIntCall decryptFile decryptFile 1
  !insertmacro NameIntCall decryptFile.again decryptFile 1
  StrCpy $2 "$FileRoot\${MISSING}.ini"
  !insertmacro NameIntCall decryptFile.missing decryptFile 1
  StrCpy $2 "$FileRoot\${UNICODE_FILE}"
  !insertmacro NameIntCall cryptFile.unicode cryptFile 1
  !insertmacro NameIntCall decryptFile.unicode decryptFile 1
FunctionEnd

Function CallListingExports
  StrCpy $2 "$KeyRoot\${KEYS}"
  !insertmacro NameTextCall ReadSubKeys ReadSubKeys 1
  StrCpy $2 "$KeyRoot\${MISSING}"
  !insertmacro NameTextCall ReadSubKeys.missing ReadSubKeys 1
  StrCpy $2 "$KeyRoot\${UNICODE_KEY}"
  !insertmacro NameTextCall ReadSubKeys.unicode ReadSubKeys 1
  StrCpy $2 "$KeyRoot\${UNICODE_MISSING}"
  !insertmacro NameTextCall ReadSubKeys.unicodeMissing ReadSubKeys 1

  Delete "$FileRoot\subkeys.txt"
  StrCpy $2 "$KeyRoot\${KEYS}"
  StrCpy $3 "$FileRoot\subkeys.txt"
  !insertmacro NameIntCall ReadSubKeysInFile ReadSubKeysInFile 2
  StrCpy $2 "$KeyRoot\${MISSING}"
  !insertmacro NameIntCall ReadSubKeysInFile.missing ReadSubKeysInFile 2
  StrCpy $1 "(no file)"
  ClearErrors
  FileOpen $5 $3 r
  ${IfNot} ${Errors}
    FileRead $5 $1
    FileClose $5
  ${EndIf}
  !insertmacro Result ReadSubKeysInFile.file $1
  StrCpy $2 "$KeyRoot\${UNICODE_KEY}"
  StrCpy $3 "$FileRoot\${UNICODE_LIST}"
  !insertmacro NameIntCall ReadSubKeysInFile.unicode ReadSubKeysInFile 2

  !insertmacro NameTextCall ReadSubValues ReadSubValues 0
FunctionEnd

Function CallValueExports
  StrCpy $2 "$KeyRoot"
  StrCpy $3 "${VALUE_NAME}"
  !insertmacro NameTextCall ReadKeyValue ReadKeyValue 2
  StrCpy $3 "${MISSING}"
  !insertmacro NameTextCall ReadKeyValue.missing ReadKeyValue 2
  StrCpy $2 "$KeyRoot\${UNICODE_KEY}"
  StrCpy $3 "${UNICODE_VALUE}"
  !insertmacro NameTextCall ReadKeyValue.unicode ReadKeyValue 2
FunctionEnd

Function CallDeletionExports
  StrCpy $2 "$KeyRoot\${DOOMED}"
  !insertmacro NameIntCall RegDeleteKeyNT RegDeleteKeyNT 1
  !insertmacro NameIntCall RegDeleteKeyNT.again RegDeleteKeyNT 1
  StrCpy $2 "$KeyRoot\${UNICODE_LEAF}"
  !insertmacro NameIntCall RegDeleteKeyNT.unicode RegDeleteKeyNT 1
  StrCpy $2 "$KeyRoot"
  !insertmacro NameTextCall ReadSubKeys.afterDelete ReadSubKeys 1
FunctionEnd

; Every call the one way $Form names, into $FileRoot\kelvane-results.txt.
Function CallEveryExport
  ClearErrors
  FileOpen $Results "$FileRoot\kelvane-results.txt" w
  ${If} ${Errors}
    SetErrorLevel 4
    Quit
  ${EndIf}
  Call CallStringExports
  Call CallFileExports
  Call CallListingExports
  Call CallValueExports
  Call CallDeletionExports
  !insertmacro NameTextCall ComputerName ComputerName 0
  ${If} $Form == "system"
    !insertmacro Result freeString $Freed
  ${EndIf}
  FileClose $Results
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

  StrCpy $Form "plugin"
  StrCpy $KeyRoot "${KELVANE_KEY}\Plugin"
  StrCpy $FileRoot "$EXEDIR\plugin"
  Call CallEveryExport
  StrCpy $Form "system"
  StrCpy $KeyRoot "${KELVANE_KEY}\System"
  StrCpy $FileRoot "$EXEDIR\system"
  Call CallEveryExport

  ${If} $Failed = 1
    SetErrorLevel 3
  ${Else}
    SetErrorLevel 0
  ${EndIf}
SectionEnd
