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
; The declarations, the DLL they load, TakeText and TakeName come from kelvane.isi.

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

#include "kelvane.isi"

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

// TakeText and TakeName, counting the results they hand back.
function Taken(TextResult: Cardinal): AnsiString;
begin
  if TextResult <> 0 then
    Freed := Freed + 1;
  Result := TakeText(TextResult);
end;

function TakenName(TextResult: Cardinal): String;
begin
  if TextResult <> 0 then
    Freed := Freed + 1;
  Result := TakeName(TextResult);
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
  Hex := Taken(cryptString(Text, PassPhrase));
  WriteResult('cryptString', Hex);
  WriteResult('decryptString', Taken(decryptString(Hex, PassPhrase)));
  Hex := Taken(cryptString(CodePageText, PassPhrase));
  WriteResult('cryptString.codePage', Hex);
  WriteResult('decryptString.codePage', Taken(decryptString(Hex, PassPhrase)));
  // A text outside the code page turns into '?' on its way to AnsiString.
  Hex := Taken(cryptString(OutsideText, PassPhrase));
  Back := Taken(decryptString(Hex, PassPhrase));  // compared as UTF-16, not as ANSI
  if Back = OutsideText then
    WriteResult('outside.roundTrip', 'same')
  else
    WriteResult('outside.roundTrip', 'lost');
  WriteResult('cryptString.null', Taken(cryptString('', PassPhrase)));
  WriteResult('cryptString.empty', Taken(cryptString(#0, PassPhrase)));
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
  WriteResult('ReadSubKeys', TakenName(ReadSubKeys(KeysKey)));
  WriteResult('ReadSubKeys.missing', TakenName(ReadSubKeys('{#KelvaneKey}\' + Missing)));
  WriteResult('ReadSubKeys.unicode', TakenName(ReadSubKeys(UnicodeKey)));
  WriteResult('ReadSubKeys.unicodeMissing', TakenName(ReadSubKeys(UnicodeMissing)));

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

  WriteResult('ReadSubValues', TakenName(ReadSubValues()));
end;

procedure CallValueExports;
begin
  WriteResult('ReadKeyValue', TakenName(ReadKeyValue('{#KelvaneKey}', ValueName)));
  WriteResult('ReadKeyValue.missing', TakenName(ReadKeyValue('{#KelvaneKey}', Missing)));
  WriteResult('ReadKeyValue.unicode', TakenName(ReadKeyValue(UnicodeKey, UnicodeValue)));
end;

procedure CallDeletionExports;
begin
  WriteResult('RegDeleteKeyNT', IntToStr(RegDeleteKeyNT(DoomedKey)));
  WriteResult('RegDeleteKeyNT.again', IntToStr(RegDeleteKeyNT(DoomedKey)));
  WriteResult('RegDeleteKeyNT.unicode', IntToStr(RegDeleteKeyNT(UnicodeLeaf)));
  WriteResult('ReadSubKeys.afterDelete', TakenName(ReadSubKeys('{#KelvaneKey}')));
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
  WriteResult('ComputerName', TakenName(ComputerName()));
  WriteResult('freeString', IntToStr(Freed));
  WriteResult('done', '1');
end;
