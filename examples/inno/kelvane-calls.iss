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
; The declarations, the DLL they load and TakeText come from kelvane.isi.

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
  Text = 'Install key: 4711';           // enciphered and deciphered
  PassPhrase = 'pass phrase';

var
  ResultsPath: String;
  Freed: Integer;   // text results handed back with freeString

// TakeText, counting the results it hands back.
function Taken(TextResult: Cardinal): AnsiString;
begin
  if TextResult <> 0 then
    Freed := Freed + 1;
  Result := TakeText(TextResult);
end;

procedure WriteResult(Name, Value: AnsiString);
begin
  SaveStringToFile(ResultsPath, Name + '=' + Value + #13#10, True);
end;

procedure CallStringExports;
var
  Hex: AnsiString;
begin
  Hex := Taken(cryptString(Text, PassPhrase));
  WriteResult('cryptString', Hex);
  WriteResult('decryptString', Taken(decryptString(Hex, PassPhrase)));
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
end;

procedure CallListingExports;
var
  SubkeysFile: String;
  Listed: AnsiString;
begin
  WriteResult('ReadSubKeys', Taken(ReadSubKeys(KeysKey)));
  WriteResult('ReadSubKeys.missing', Taken(ReadSubKeys('{#KelvaneKey}\' + Missing)));

  SubkeysFile := ExpandConstant('{src}\subkeys.txt');
  DeleteFile(SubkeysFile);
  WriteResult('ReadSubKeysInFile', IntToStr(ReadSubKeysInFile(KeysKey, SubkeysFile)));
  WriteResult('ReadSubKeysInFile.missing',
    IntToStr(ReadSubKeysInFile('{#KelvaneKey}\' + Missing, SubkeysFile)));
  if not LoadStringFromFile(SubkeysFile, Listed) then
    Listed := '(no file)';
  WriteResult('ReadSubKeysInFile.file', Listed);

  WriteResult('ReadSubValues', Taken(ReadSubValues()));
end;

procedure CallValueExports;
begin
  WriteResult('ReadKeyValue', Taken(ReadKeyValue('{#KelvaneKey}', ValueName)));
  WriteResult('ReadKeyValue.missing', Taken(ReadKeyValue('{#KelvaneKey}', Missing)));
end;

procedure CallDeletionExports;
begin
  WriteResult('RegDeleteKeyNT', IntToStr(RegDeleteKeyNT(DoomedKey)));
  WriteResult('RegDeleteKeyNT.again', IntToStr(RegDeleteKeyNT(DoomedKey)));
  WriteResult('ReadSubKeys.afterDelete', Taken(ReadSubKeys('{#KelvaneKey}')));
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
  WriteResult('ComputerName', Taken(ComputerName()));
  WriteResult('freeString', IntToStr(Freed));
  WriteResult('done', '1');
end;
