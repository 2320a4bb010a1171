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
; The functions (KelvaneCryptString ...) and the DLL they load come from kelvane.isi;
; where a function returns False, " !error" follows its result ("(null)" for a text).

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
  Texts: Integer;   // text results given (each handed back to freeString by kelvane.isi)

procedure WriteResult(Name, Value: String);
begin
  SaveStringsToUTF8File(ResultsPath, [Name + '=' + Value], True);
end;

// A text result: the text, or "(null) !error" where the function returned False (and gave '').
// Value is a var parameter: Pascal Script reads a value argument before it makes the call
// that sits in an earlier argument, so by value it would be the one the call replaced.
procedure WriteText(Name: String; Given: Boolean; var Value: String);
begin
  if Given then begin
    Texts := Texts + 1;
    WriteResult(Name, Value);
  end else
    WriteResult(Name, '(null)' + Value + ' !error');
end;

// A number result, and " !error" where the function returned False.
procedure WriteNumber(Name: String; Succeeded: Boolean; var Value: Integer);
begin
  if Succeeded then
    WriteResult(Name, IntToStr(Value))
  else
    WriteResult(Name, IntToStr(Value) + ' !error');
end;

procedure CallStringExports;
var
  Hex, Back: String;
begin
  WriteText('cryptString', KelvaneCryptString(Text, PassPhrase, Hex), Hex);
  WriteText('decryptString', KelvaneDecryptString(Hex, PassPhrase, Back), Back);
  WriteText('cryptString.codePage', KelvaneCryptString(CodePageText, PassPhrase, Hex), Hex);
  WriteText('decryptString.codePage', KelvaneDecryptString(Hex, PassPhrase, Back), Back);
  // A text outside the code page is refused, as the plugin refuses it.
  WriteText('cryptString.outside', KelvaneCryptString(OutsideText, PassPhrase, Hex), Hex);
  // '' is an empty text, not a null one: its hex is empty, and so is the text back.
  WriteText('cryptString.empty', KelvaneCryptString('', PassPhrase, Hex), Hex);
  WriteText('decryptString.empty', KelvaneDecryptString('', PassPhrase, Back), Back);
end;

// '' as a path: an empty one, which names no file or key.
procedure CallWithEmptyPaths;
var
  Outcome: Integer;
begin
  WriteNumber('cryptFile.emptyPath', KelvaneCryptFile('', Outcome), Outcome);
  WriteNumber('RegDeleteKeyNT.emptyPath', KelvaneRegDeleteKeyNT('', Outcome), Outcome);
end;

procedure CallFileExports;
var
  Settings, Restored, MissingFile: String;
  Outcome: Integer;
begin
  Settings := ExpandConstant('{src}\settings.ini');
  Restored := ExpandConstant('{src}\restored.ini');
  MissingFile := ExpandConstant('{src}\' + Missing + '.ini');
  WriteNumber('cryptFile', KelvaneCryptFile(Settings, Outcome), Outcome);
  WriteNumber('cryptFile.again', KelvaneCryptFile(Settings, Outcome), Outcome);
  WriteNumber('cryptFile.missing', KelvaneCryptFile(MissingFile, Outcome), Outcome);
  WriteNumber('cryptFile.restored', KelvaneCryptFile(Restored, Outcome), Outcome);
  WriteNumber('decryptFile', KelvaneDecryptFile(Restored, Outcome), Outcome);
  WriteNumber('decryptFile.again', KelvaneDecryptFile(Restored, Outcome), Outcome);
  WriteNumber('decryptFile.missing', KelvaneDecryptFile(MissingFile, Outcome), Outcome);
  WriteNumber('cryptFile.unicode', KelvaneCryptFile(ExpandConstant('{src}\' + UnicodeFile), Outcome), Outcome);
  WriteNumber('decryptFile.unicode', KelvaneDecryptFile(ExpandConstant('{src}\' + UnicodeFile), Outcome), Outcome);
end;

procedure CallListingExports;
var
  SubkeysFile, Names: String;
  Listed: AnsiString;
  Outcome: Integer;
begin
  WriteText('ReadSubKeys', KelvaneReadSubKeys(KeysKey, Names), Names);
  WriteText('ReadSubKeys.missing', KelvaneReadSubKeys('{#KelvaneKey}\' + Missing, Names), Names);
  WriteText('ReadSubKeys.unicode', KelvaneReadSubKeys(UnicodeKey, Names), Names);
  WriteText('ReadSubKeys.unicodeMissing', KelvaneReadSubKeys(UnicodeMissing, Names), Names);

  SubkeysFile := ExpandConstant('{src}\subkeys.txt');
  DeleteFile(SubkeysFile);
  WriteNumber('ReadSubKeysInFile', KelvaneReadSubKeysInFile(KeysKey, SubkeysFile, Outcome), Outcome);
  WriteNumber('ReadSubKeysInFile.missing',
    KelvaneReadSubKeysInFile('{#KelvaneKey}\' + Missing, SubkeysFile, Outcome), Outcome);
  if not LoadStringFromFile(SubkeysFile, Listed) then
    Listed := '(no file)';
  WriteResult('ReadSubKeysInFile.file', Listed);
  WriteNumber('ReadSubKeysInFile.unicode',
    KelvaneReadSubKeysInFile(UnicodeKey, ExpandConstant('{src}\' + UnicodeList), Outcome), Outcome);

  WriteText('ReadSubValues', KelvaneReadSubValues(Names), Names);
end;

procedure CallValueExports;
var
  Data: String;
begin
  WriteText('ReadKeyValue', KelvaneReadKeyValue('{#KelvaneKey}', ValueName, Data), Data);
  WriteText('ReadKeyValue.missing', KelvaneReadKeyValue('{#KelvaneKey}', Missing, Data), Data);
  WriteText('ReadKeyValue.unicode', KelvaneReadKeyValue(UnicodeKey, UnicodeValue, Data), Data);
end;

procedure CallDeletionExports;
var
  Names: String;
  Status: Integer;
begin
  WriteNumber('RegDeleteKeyNT', KelvaneRegDeleteKeyNT(DoomedKey, Status), Status);
  WriteNumber('RegDeleteKeyNT.again', KelvaneRegDeleteKeyNT(DoomedKey, Status), Status);
  WriteNumber('RegDeleteKeyNT.unicode', KelvaneRegDeleteKeyNT(UnicodeLeaf, Status), Status);
  WriteText('ReadSubKeys.afterDelete', KelvaneReadSubKeys('{#KelvaneKey}', Names), Names);
end;

procedure CurStepChanged(CurStep: TSetupStep);
var
  Names: String;
begin
  if CurStep <> ssPostInstall then
    Exit;
  ResultsPath := ExpandConstant('{src}\kelvane-results.txt');
  DeleteFile(ResultsPath);
  Texts := 0;
  CallStringExports;
  CallWithEmptyPaths;
  CallFileExports;
  CallListingExports;
  CallValueExports;
  CallDeletionExports;
  WriteText('ComputerName', KelvaneComputerName(Names), Names);
  WriteResult('texts', IntToStr(Texts));
  WriteResult('done', '1');
end;
