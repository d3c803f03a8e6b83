; Written for the release archive's test, as an installer author would from
; the archive alone: placed in the unpacked archive's folder, it installs
; two of the archive's own files and asks at uninstall, with the archive's
; drop-in, whether to keep the data folder.
;   ISCC.exe /O. /Frelease_tool_inno release_tool.iss
#define RemoveTreeDir "."
#include "integrations\inno\remove_tree.iss"

[Setup]
AppId={{0B7E4C2D-9A1F-4E63-8C5B-2D7F1A3E6C90}
AppName=Release Tool
AppVersion=1.0.0
AppPublisher=remove_tree release test
DefaultDirName={autopf}\Release Tool
DisableProgramGroupPage=yes
PrivilegesRequired=admin
Uninstallable=yes
OutputBaseFilename=release_tool_inno
SetupLogging=no

[Files]
Source: "README.md"; DestDir: "{app}"
Source: "LICENSE"; DestDir: "{app}\data"; Flags: uninsneveruninstall

[Code]
procedure CurUninstallStepChanged(CurUninstallStep: TUninstallStep);
begin
  if CurUninstallStep = usUninstall then
    RemoveTreeAsk(ExpandConstant('{app}\data'), 'Release Tool', 'Keep the Release Tool''s files?');
end;
