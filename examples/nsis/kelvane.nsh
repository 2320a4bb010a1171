; kelvane.nsh: one macro per command of the kelvane_nsis plugin. Each takes the command's
; arguments and the variable for its result, clears the error flag, pushes the arguments
; (last first, so that the plugin pops them in the order written), calls the plugin and
; pops the one result. A macro given too few or too many arguments stops makensis, where
; a bare plugin call would take whatever the caller's stack held.
;
;   !include "kelvane.nsh"
;   ${Kelvane_cryptString} "Install key: 4711" "pass phrase" $0
;   ${If} ${Errors} ...                  ; the plugin's error flag, as it set it
;
; Results and the error flag (Docs\kelvane\nsis-plugin.txt has a page per command):
; - a text: the text; a null result (nothing found, a bad argument), a result longer than
;   the installer's strings, or a text the ANSI code page cannot hold: "" and the error flag;
; - a number in decimal; the error flag where it means failure: cryptFile and decryptFile
;   below 1, RegDeleteKeyNT and ReadSubKeysInFile not 0.
; The plugin file is Plugins\<target>\kelvane_nsis.dll: x86-ansi, x86-unicode or
; amd64-unicode, matching the installer's `Unicode` and `Target`.
!ifndef KELVANE_NSH
!define KELVANE_NSH

; The plugin call once the arguments are pushed: the error flag is then the plugin's alone.
!macro Kelvane_call COMMAND RESULT
  ClearErrors
  kelvane_nsis::${COMMAND}
  Pop ${RESULT}
!macroend

; Hex text of Text enciphered with DES under PassPhrase.
!macro Kelvane_cryptString Text PassPhrase Result
  Push `${PassPhrase}`
  Push `${Text}`
  !insertmacro Kelvane_call cryptString ${Result}
!macroend
!define Kelvane_cryptString "!insertmacro Kelvane_cryptString"

; The text back from hex made by cryptString.
!macro Kelvane_decryptString HexText PassPhrase Result
  Push `${PassPhrase}`
  Push `${HexText}`
  !insertmacro Kelvane_call decryptString ${Result}
!macroend
!define Kelvane_decryptString "!insertmacro Kelvane_decryptString"

; Enciphers the file in place: 2 done, 1 already a container; -1, -2, -3 failed (error flag).
!macro Kelvane_cryptFile FilePath Result
  Push `${FilePath}`
  !insertmacro Kelvane_call cryptFile ${Result}
!macroend
!define Kelvane_cryptFile "!insertmacro Kelvane_cryptFile"

; Deciphers a container in place: 2 done, 1 not a container; -1, -2, -3 failed (error flag).
!macro Kelvane_decryptFile FilePath Result
  Push `${FilePath}`
  !insertmacro Kelvane_call decryptFile ${Result}
!macroend
!define Kelvane_decryptFile "!insertmacro Kelvane_decryptFile"

; Comma-joined subkey names of HKLM\KeyPath.
!macro Kelvane_ReadSubKeys KeyPath Result
  Push `${KeyPath}`
  !insertmacro Kelvane_call ReadSubKeys ${Result}
!macroend
!define Kelvane_ReadSubKeys "!insertmacro Kelvane_ReadSubKeys"

; Appends the subkey list of HKLM\KeyPath (or "(null)") to FilePath, with no separator
; after what the file held; the result is 0.
!macro Kelvane_ReadSubKeysInFile KeyPath FilePath Result
  Push `${FilePath}`
  Push `${KeyPath}`
  !insertmacro Kelvane_call ReadSubKeysInFile ${Result}
!macroend
!define Kelvane_ReadSubKeysInFile "!insertmacro Kelvane_ReadSubKeysInFile"

; Comma-joined value names of the one fixed key HKLM\SOFTWARE\Microsoft\MSSQLServer\Client\TDS.
!macro Kelvane_ReadSubValues Result
  !insertmacro Kelvane_call ReadSubValues ${Result}
!macroend
!define Kelvane_ReadSubValues "!insertmacro Kelvane_ReadSubValues"

; The data of value ValueName of HKLM\KeyPath as text.
!macro Kelvane_ReadKeyValue KeyPath ValueName Result
  Push `${ValueName}`
  Push `${KeyPath}`
  !insertmacro Kelvane_call ReadKeyValue ${Result}
!macroend
!define Kelvane_ReadKeyValue "!insertmacro Kelvane_ReadKeyValue"

; Deletes HKLM\KeyPath: 0 deleted; 2 missing, 5 refused, 1010 no path (error flag).
!macro Kelvane_RegDeleteKeyNT KeyPath Result
  Push `${KeyPath}`
  !insertmacro Kelvane_call RegDeleteKeyNT ${Result}
!macroend
!define Kelvane_RegDeleteKeyNT "!insertmacro Kelvane_RegDeleteKeyNT"

; The computer's name.
!macro Kelvane_ComputerName Result
  !insertmacro Kelvane_call ComputerName ${Result}
!macroend
!define Kelvane_ComputerName "!insertmacro Kelvane_ComputerName"

!endif
