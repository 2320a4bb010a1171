; An NSIS installer that calls kelvane through the System plugin (x86, ANSI strings).
; `?c` selects the C calling convention; keep it: a missing `?c` is not caught by a test.
; Results are taken as pointers and copied with lstrcpynA, which is safe in Unicode
; installers too. A missing DLL or function leaves the text "error" in the variable.
Unicode false
Name "kelvane example"
OutFile "kelvane-example.exe"
RequestExecutionLevel user
SilentInstall silent

Section
  InitPluginsDir
  File /oname=$PLUGINSDIR\kelvane.dll "kelvane.dll"

  ; cryptString(text, passPhrase) -> hex text
  System::Call '$PLUGINSDIR\kelvane::cryptString(m "licence 4711", m "pass phrase") p.r0 ?c'
  System::Call 'kernel32::lstrcpynA(m .r1, p r0, i ${NSIS_MAX_STRLEN})'

  ; decryptString(hexText, passPhrase) -> text
  System::Call '$PLUGINSDIR\kelvane::decryptString(m r1, m "pass phrase") p.r0 ?c'
  System::Call 'kernel32::lstrcpynA(m .r2, p r0, i ${NSIS_MAX_STRLEN})'

  ; cryptFile(path) -> 2 enciphered, 1 already, -1, -2, -3 failures
  System::Call '$PLUGINSDIR\kelvane::cryptFile(m "$INSTDIR\settings.ini") i.r3 ?c'

  ; ComputerName() -> text
  System::Call '$PLUGINSDIR\kelvane::ComputerName() p.r0 ?c'
  System::Call 'kernel32::lstrcpynA(m .r4, p r0, i ${NSIS_MAX_STRLEN})'

  FileOpen $5 "$EXEDIR\kelvane-results.txt" w
  FileWrite $5 "hex=$1$\r$\nplain=$2$\r$\ncryptFile=$3$\r$\ncomputer=$4$\r$\n"
  FileClose $5
SectionEnd
