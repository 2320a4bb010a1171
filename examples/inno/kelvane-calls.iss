; An installer that bundles kelvane.dll and calls every one of its exports from Pascal
; Script. It installs nothing and shows no window when run silently; it writes what each
; call returned to kelvane-results.txt beside itself, one name=value line per call, and
; last the line done=1: an exception in a step's event is only logged and setup still
; exits with 0, so only that line proves every call was made.
;
;   iscc "/DKelvaneDll=C:\path\to\kelvane.dll" examples\inno\kelvane-calls.iss
;   kelvane-calls.exe /VERYSILENT /SUPPRESSMSGBOXES /NORESTART
;
; The files it works on sit beside it: settings.ini (enciphered by cryptFile),
; restored.ini (enciphered, then deciphered by decryptFile as an upgrade or uninstall
; would; the caller puts both there) and subkeys.txt (written by ReadSubKeysInFile). The keys it reads and
; deletes are below KelvaneKey; the caller creates them.
;
; The rules for calling kelvane from Inno Setup:
; - Every declaration ends in `cdecl`: the exports are cdecl, and stdcall (also the
;   default when none is written) crashes on the first call.
; - Strings go in as AnsiString (converted to the ANSI code page). An empty AnsiString
;   ('') arrives as a null pointer; #0 passes a real empty text.
; - A text result is declared Cardinal (a pointer), copied with lstrlenA and lstrcpynA
;   and handed back with freeString. 0 means no result. Declared PAnsiChar, Inno Setup
;   would copy the text itself, but lose the pointer and turn a null result into ''.

#ifndef KelvaneDll
  #define KelvaneDll "kelvane.dll"
#endif
; The key below HKEY_LOCAL_MACHINE the calls read and delete in.
#ifndef KelvaneKey
  #define KelvaneKey "SOFTWARE\KelvaneInnoTest"
#endif

[Setup]
AppName=kelvane calls
AppVersion=1.0
CreateAppDir=no
Uninstallable=no
OutputBaseFilename=kelvane-calls

[Files]
; files:kelvane.dll below unpacks it into setup's temporary folder and loads it from there.
Source: "{#KelvaneDll}"; Flags: dontcopy

[Code]
const
  KeysKey = '{#KelvaneKey}\Keys';       // has subkeys to list
  DoomedKey = '{#KelvaneKey}\Doomed';   // deleted by RegDeleteKeyNT
  ValueName = 'Product';                // a text value of KelvaneKey
  Missing = 'Missing';                  // a key and value name nowhere present
  Text = 'Install key: 4711';           // enciphered and deciphered
  PassPhrase = 'pass phrase';

var
  ResultsPath: String;
  Freed: Integer;   // text results handed back with freeString

function cryptString(Text, PassPhrase: AnsiString): Cardinal;
  external 'cryptString@files:kelvane.dll cdecl';
function decryptString(HexText, PassPhrase: AnsiString): Cardinal;
  external 'decryptString@files:kelvane.dll cdecl';
function cryptFile(FilePath: AnsiString): Integer;
  external 'cryptFile@files:kelvane.dll cdecl';
function decryptFile(FilePath: AnsiString): Integer;
  external 'decryptFile@files:kelvane.dll cdecl';
function ReadSubKeys(KeyPath: AnsiString): Cardinal;
  external 'ReadSubKeys@files:kelvane.dll cdecl';
function ReadSubKeysInFile(KeyPath, FilePath: AnsiString): Integer;
  external 'ReadSubKeysInFile@files:kelvane.dll cdecl';
function ReadSubValues(): Cardinal;
  external 'ReadSubValues@files:kelvane.dll cdecl';
function ReadKeyValue(KeyPath, ValueName: AnsiString): Cardinal;
  external 'ReadKeyValue@files:kelvane.dll cdecl';
function RegDeleteKeyNT(KeyPath: AnsiString): Integer;
  external 'RegDeleteKeyNT@files:kelvane.dll cdecl';
function ComputerName(): Cardinal;
  external 'ComputerName@files:kelvane.dll cdecl';
procedure freeString(TextResult: Cardinal);
  external 'freeString@files:kelvane.dll cdecl';

function lstrlenA(Source: Cardinal): Integer;
  external 'lstrlenA@kernel32.dll stdcall';
function lstrcpynA(Target: AnsiString; Source: Cardinal; Size: Integer): Cardinal;
  external 'lstrcpynA@kernel32.dll stdcall';

// The text of a result the library returned, '(null)' for a null pointer; hands the
// result back to the library once copied.
function TakeText(TextResult: Cardinal): AnsiString;
var
  Size: Integer;
begin
  if TextResult = 0 then begin
    Result := '(null)';
    Exit;
  end;
  Size := lstrlenA(TextResult);
  SetLength(Result, Size);
  // The string's own buffer has room for the closing zero lstrcpynA writes.
  if Size > 0 then
    lstrcpynA(Result, TextResult, Size + 1);
  freeString(TextResult);
  Freed := Freed + 1;
end;

procedure WriteResult(Name, Value: AnsiString);
begin
  SaveStringToFile(ResultsPath, Name + '=' + Value + #13#10, True);
end;

procedure CallStringExports;
var
  Hex: AnsiString;
begin
  Hex := TakeText(cryptString(Text, PassPhrase));
  WriteResult('cryptString', Hex);
  WriteResult('decryptString', TakeText(decryptString(Hex, PassPhrase)));
  WriteResult('cryptString.null', TakeText(cryptString('', PassPhrase)));
  WriteResult('cryptString.empty', TakeText(cryptString(#0, PassPhrase)));
end;

procedure CallFileExports;
var
  Settings, Restored, MissingFile: String;
begin
  Settings := ExpandConstant('{src}\settings.ini');
  Restored := ExpandConstant('{src}\restored.ini');
  MissingFile := ExpandConstant('{src}\' + Missing + '.ini');
  WriteResult('cryptFile', IntToStr(cryptFile(Settings)));
  WriteResult('cryptFile.again', IntToStr(cryptFile(Settings)));
  WriteResult('cryptFile.missing', IntToStr(cryptFile(MissingFile)));
  WriteResult('cryptFile.restored', IntToStr(cryptFile(Restored)));
  WriteResult('decryptFile', IntToStr(decryptFile(Restored)));
  WriteResult('decryptFile.again', IntToStr(decryptFile(Restored)));
  WriteResult('decryptFile.missing', IntToStr(decryptFile(MissingFile)));
end;

procedure CallListingExports;
var
  SubkeysFile: String;
  Listed: AnsiString;
begin
  WriteResult('ReadSubKeys', TakeText(ReadSubKeys(KeysKey)));
  WriteResult('ReadSubKeys.missing', TakeText(ReadSubKeys('{#KelvaneKey}\' + Missing)));

  SubkeysFile := ExpandConstant('{src}\subkeys.txt');
  DeleteFile(SubkeysFile);
  WriteResult('ReadSubKeysInFile', IntToStr(ReadSubKeysInFile(KeysKey, SubkeysFile)));
  WriteResult('ReadSubKeysInFile.missing',
    IntToStr(ReadSubKeysInFile('{#KelvaneKey}\' + Missing, SubkeysFile)));
  if not LoadStringFromFile(SubkeysFile, Listed) then
    Listed := '(no file)';
  WriteResult('ReadSubKeysInFile.file', Listed);

  WriteResult('ReadSubValues', TakeText(ReadSubValues()));
end;

procedure CallValueExports;
begin
  WriteResult('ReadKeyValue', TakeText(ReadKeyValue('{#KelvaneKey}', ValueName)));
  WriteResult('ReadKeyValue.missing', TakeText(ReadKeyValue('{#KelvaneKey}', Missing)));
end;

procedure CallDeletionExports;
begin
  WriteResult('RegDeleteKeyNT', IntToStr(RegDeleteKeyNT(DoomedKey)));
  WriteResult('RegDeleteKeyNT.again', IntToStr(RegDeleteKeyNT(DoomedKey)));
  WriteResult('ReadSubKeys.afterDelete', TakeText(ReadSubKeys('{#KelvaneKey}')));
end;

procedure CurStepChanged(CurStep: TSetupStep);
begin
  if CurStep <> ssPostInstall then
    Exit;
  ResultsPath := ExpandConstant('{src}\kelvane-results.txt');
  DeleteFile(ResultsPath);
  Freed := 0;
  CallStringExports;
  CallFileExports;
  CallListingExports;
  CallValueExports;
  CallDeletionExports;
  WriteResult('ComputerName', TakeText(ComputerName()));
  WriteResult('freeString', IntToStr(Freed));
  WriteResult('done', '1');
end;
