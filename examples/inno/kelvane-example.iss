; The smallest useful Inno Setup installer around kelvane.dll: it installs settings.ini
; into "Kelvane Inno Example (x86)" under Program Files, enciphers a licence key into
; licence.txt and the settings file in place, and writes what each call gave to setup's
; log (/LOG). Its uninstaller deciphers settings.ini again and leaves it behind. Only
; kelvane.isi stands between it and the DLL. Compile it from the unpacked package's folder
; (Docs\kelvane\quick-start.txt), here with ISCC.exe under Wine:
;
;   wine ISCC.exe /Q "/DKelvaneDll=C:\path\to\kelvane-0.3.1\bin\x86\kelvane.dll" inno\kelvane-example.iss

[Setup]
AppName=kelvane example
AppVersion=1.0
DefaultDirName={autopf}\Kelvane Inno Example (x86)
; HKLM keys and Program Files both want an administrator.
PrivilegesRequired=admin
OutputBaseFilename=kelvane-example-setup

; settings.ini: in the package's Examples\kelvane (the repository's examples\nsis).
#define Settings SourcePath + "..\Examples\kelvane\settings.ini"
#if !FileExists(Settings)
  #define Settings SourcePath + "..\nsis\settings.ini"
#endif

; The uninstaller calls kelvane too: the DLL goes into {app} as well.
#define KelvaneUninstall
#include "kelvane.isi"

[Files]
Source: "{#Settings}"; DestDir: "{app}"; Flags: uninsneveruninstall

[Code]
procedure CurStepChanged(CurStep: TSetupStep);
var
  Hex: String;
  Outcome: Integer;
begin
  if CurStep <> ssPostInstall then
    Exit;
  if KelvaneCryptString('Install key: 4711', 'pass phrase', Hex) then
    SaveStringToFile(ExpandConstant('{app}\licence.txt'), Hex, False);
  Log('kelvane: cryptString gave ' + Hex);
  // 2 enciphered, 1 already a container; below 1 (False) the file is as it was.
  KelvaneCryptFile(ExpandConstant('{app}\settings.ini'), Outcome);
  Log('kelvane: cryptFile gave ' + IntToStr(Outcome));
end;

procedure CurUninstallStepChanged(CurUninstallStep: TUninstallStep);
var
  Outcome: Integer;
begin
  if CurUninstallStep <> usUninstall then
    Exit;
  KelvaneDecryptFile(ExpandConstant('{app}\settings.ini'), Outcome);
  Log('kelvane: decryptFile gave ' + IntToStr(Outcome));
  // Unloaded, the DLL can be removed with the other files.
  KelvaneUnload;
end;
