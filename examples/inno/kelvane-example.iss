; The smallest useful Inno Setup installer around kelvane.dll: it installs settings.ini
; into "Kelvane Inno Example (x86)" under Program Files, enciphers a licence key into
; licence.txt and the settings file in place, and writes what each call gave to setup's
; log (/LOG). Its uninstaller deciphers settings.ini again and leaves it behind. Only
; kelvane.isi stands between it and the DLL. Compile it as examples/commands-installers.sh
; does, with ISCC.exe under Wine:
;
;   wine ISCC.exe /Q "/DKelvaneDll=C:\path\to\kelvane.dll" examples\inno\kelvane-example.iss

[Setup]
AppName=kelvane example
AppVersion=1.0
DefaultDirName={autopf}\Kelvane Inno Example (x86)
; HKLM keys and Program Files both want an administrator.
PrivilegesRequired=admin
OutputBaseFilename=kelvane-example-setup

#include "kelvane.isi"

[Files]
Source: "..\nsis\settings.ini"; DestDir: "{app}"; Flags: uninsneveruninstall
; For the uninstaller, which cannot use files:.
Source: "{#KelvaneDll}"; DestDir: "{app}"

[Code]
procedure CurStepChanged(CurStep: TSetupStep);
var
  Hex: AnsiString;
begin
  if CurStep <> ssPostInstall then
    Exit;
  Hex := TakeText(cryptString('Install key: 4711', 'pass phrase'));
  SaveStringToFile(ExpandConstant('{app}\licence.txt'), Hex, False);
  Log('kelvane: cryptString gave ' + Hex);
  // 2 enciphered, 1 already a container; below 1 the file is as it was.
  Log('kelvane: cryptFile gave ' + IntToStr(cryptFile(ExpandConstant('{app}\settings.ini'))));
end;

// The uninstaller's own declaration, loading the DLL from {app}: uninstallonly, since
// {app} has no value when setup starts.
function UninstallDecryptFile(FilePath: String): Integer;
  external 'decryptFileW@{app}\kelvane.dll cdecl uninstallonly';

procedure CurUninstallStepChanged(CurUninstallStep: TUninstallStep);
begin
  if CurUninstallStep <> usUninstall then
    Exit;
  Log('kelvane: decryptFile gave ' + IntToStr(UninstallDecryptFile(ExpandConstant('{app}\settings.ini'))));
  // Unloaded, the DLL can be removed with the other files.
  UnloadDLL(ExpandConstant('{app}\kelvane.dll'));
end;
