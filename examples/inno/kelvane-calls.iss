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
; would), a file in a folder named in Greek and Japanese (the caller puts these three
; there) and subkeys.txt (written by ReadSubKeysInFile). The keys it reads and deletes are
; below KelvaneKey, some named in Greek and Japanese too; the caller creates them. The
; results file is UTF-8, so that those names come through.
;
; The rules for calling kelvane from Inno Setup:
; - Every declaration ends in `cdecl`: the exports are cdecl, and stdcall (also the
;   default when none is written) crashes on the first call.
; - Texts go in as AnsiString (converted to the ANSI code page) to the string exports,
;   whose bytes are the format. An empty AnsiString ('') arrives as a null pointer; #0
;   passes a real empty text.
; - Paths and names go in as String (UTF-16, Inno's own) to the wide twins (cryptFileW
;   ...), so that names outside the ANSI code page reach the system whole.
; - A text result is declared Cardinal (a pointer), copied with lstrlenA and lstrcpynA
;   (lstrlenW and lstrcpynW for a wide twin's) and handed back with freeString. 0 means no
;   result. Declared PAnsiChar, Inno Setup would copy the text itself, but lose the pointer
;   and turn a null result into ''.

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
  // Names no single ANSI code page holds, made by the caller.
  UnicodeKey = '{#KelvaneKey}\Unicode\Κλειδί 鍵';   // with the subkeys Άλφα and ベータ and a value
  UnicodeValue = 'Τιμή 値';                          // its data: Größe 大きさ
  UnicodeLeaf = '{#KelvaneKey}\Unicode\Φύλλο 葉';   // deleted by RegDeleteKeyNT
  UnicodeMissing = '{#KelvaneKey}\Unicode\Λείπει 無い';
  UnicodeFile = 'Φάκελος フォルダ\αρχείο 設定.ini';
  UnicodeList = 'Φάκελος フォルダ\λίστα.txt';
  CodePageText = 'Größe';                           // a text the ANSI code page (1252) holds
  OutsideText = 'Ελληνικά 日本語';                   // a text it does not
  Text = 'Install key: 4711';           // enciphered and deciphered
  PassPhrase = 'pass phrase';

var
  ResultsPath: String;
  Freed: Integer;   // text results handed back with freeString

function cryptString(Text, PassPhrase: AnsiString): Cardinal;
  external 'cryptString@files:kelvane.dll cdecl';
function decryptString(HexText, PassPhrase: AnsiString): Cardinal;
  external 'decryptString@files:kelvane.dll cdecl';
function cryptFile(FilePath: String): Integer;
  external 'cryptFileW@files:kelvane.dll cdecl';
function decryptFile(FilePath: String): Integer;
  external 'decryptFileW@files:kelvane.dll cdecl';
function ReadSubKeys(KeyPath: String): Cardinal;
  external 'ReadSubKeysW@files:kelvane.dll cdecl';
function ReadSubKeysInFile(KeyPath, FilePath: String): Integer;
  external 'ReadSubKeysInFileW@files:kelvane.dll cdecl';
function ReadSubValues(): Cardinal;
  external 'ReadSubValuesW@files:kelvane.dll cdecl';
function ReadKeyValue(KeyPath, ValueName: String): Cardinal;
  external 'ReadKeyValueW@files:kelvane.dll cdecl';
function RegDeleteKeyNT(KeyPath: String): Integer;
  external 'RegDeleteKeyNTW@files:kelvane.dll cdecl';
function ComputerName(): Cardinal;
  external 'ComputerNameW@files:kelvane.dll cdecl';
procedure freeString(TextResult: Cardinal);
  external 'freeString@files:kelvane.dll cdecl';

function lstrlenA(Source: Cardinal): Integer;
  external 'lstrlenA@kernel32.dll stdcall';
function lstrcpynA(Target: AnsiString; Source: Cardinal; Size: Integer): Cardinal;
  external 'lstrcpynA@kernel32.dll stdcall';
function lstrlenW(Source: Cardinal): Integer;
  external 'lstrlenW@kernel32.dll stdcall';
function lstrcpynW(Target: String; Source: Cardinal; Size: Integer): Cardinal;
  external 'lstrcpynW@kernel32.dll stdcall';

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

// The same for a wide twin's result.
function TakeName(TextResult: Cardinal): String;
var
  Size: Integer;
begin
  if TextResult = 0 then begin
    Result := '(null)';
    Exit;
  end;
  Size := lstrlenW(TextResult);
  SetLength(Result, Size);
  if Size > 0 then
    lstrcpynW(Result, TextResult, Size + 1);
  freeString(TextResult);
  Freed := Freed + 1;
end;

procedure WriteResult(Name, Value: String);
begin
  SaveStringsToUTF8File(ResultsPath, [Name + '=' + Value], True);
end;

procedure CallStringExports;
var
  Hex: AnsiString;
  Back: String;
begin
  Hex := TakeText(cryptString(Text, PassPhrase));
  WriteResult('cryptString', Hex);
  WriteResult('decryptString', TakeText(decryptString(Hex, PassPhrase)));
  Hex := TakeText(cryptString(CodePageText, PassPhrase));
  WriteResult('cryptString.codePage', Hex);
  WriteResult('decryptString.codePage', TakeText(decryptString(Hex, PassPhrase)));
  // A text outside the code page turns into '?' on its way to AnsiString.
  Hex := TakeText(cryptString(OutsideText, PassPhrase));
  Back := TakeText(decryptString(Hex, PassPhrase));  // compared as UTF-16, not as ANSI
  if Back = OutsideText then
    WriteResult('outside.roundTrip', 'same')
  else
    WriteResult('outside.roundTrip', 'lost');
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
  WriteResult('cryptFile.unicode', IntToStr(cryptFile(ExpandConstant('{src}\' + UnicodeFile))));
  WriteResult('decryptFile.unicode', IntToStr(decryptFile(ExpandConstant('{src}\' + UnicodeFile))));
end;

procedure CallListingExports;
var
  SubkeysFile: String;
  Listed: AnsiString;
begin
  WriteResult('ReadSubKeys', TakeName(ReadSubKeys(KeysKey)));
  WriteResult('ReadSubKeys.missing', TakeName(ReadSubKeys('{#KelvaneKey}\' + Missing)));
  WriteResult('ReadSubKeys.unicode', TakeName(ReadSubKeys(UnicodeKey)));
  WriteResult('ReadSubKeys.unicodeMissing', TakeName(ReadSubKeys(UnicodeMissing)));

  SubkeysFile := ExpandConstant('{src}\subkeys.txt');
  DeleteFile(SubkeysFile);
  WriteResult('ReadSubKeysInFile', IntToStr(ReadSubKeysInFile(KeysKey, SubkeysFile)));
  WriteResult('ReadSubKeysInFile.missing',
    IntToStr(ReadSubKeysInFile('{#KelvaneKey}\' + Missing, SubkeysFile)));
  if not LoadStringFromFile(SubkeysFile, Listed) then
    Listed := '(no file)';
  WriteResult('ReadSubKeysInFile.file', Listed);
  WriteResult('ReadSubKeysInFile.unicode',
    IntToStr(ReadSubKeysInFile(UnicodeKey, ExpandConstant('{src}\' + UnicodeList))));

  WriteResult('ReadSubValues', TakeName(ReadSubValues()));
end;

procedure CallValueExports;
begin
  WriteResult('ReadKeyValue', TakeName(ReadKeyValue('{#KelvaneKey}', ValueName)));
  WriteResult('ReadKeyValue.missing', TakeName(ReadKeyValue('{#KelvaneKey}', Missing)));
  WriteResult('ReadKeyValue.unicode', TakeName(ReadKeyValue(UnicodeKey, UnicodeValue)));
end;

procedure CallDeletionExports;
begin
  WriteResult('RegDeleteKeyNT', IntToStr(RegDeleteKeyNT(DoomedKey)));
  WriteResult('RegDeleteKeyNT.again', IntToStr(RegDeleteKeyNT(DoomedKey)));
  WriteResult('RegDeleteKeyNT.unicode', IntToStr(RegDeleteKeyNT(UnicodeLeaf)));
  WriteResult('ReadSubKeys.afterDelete', TakeName(ReadSubKeys('{#KelvaneKey}')));
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
  WriteResult('ComputerName', TakeName(ComputerName()));
  WriteResult('freeString', IntToStr(Freed));
  WriteResult('done', '1');
end;
