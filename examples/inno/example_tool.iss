; An Inno Setup installer for a sample application whose uninstaller asks
; whether to keep its saved data and lets remove_tree.exe remove the data
; folder when the answer is No (integrations/inno/remove_tree.iss).
; Build (the folder holding remove_tree.exe, UNWISE.EXE and
; remove_tree_settings.exe):
;   ISCC.exe /DRemoveTreeDir=build\win32 /Obuild\win32 /Fexample_tool_inno_setup example_tool.iss
; Copy it and change the names, the texts and the AppId.

#include "..\..\integrations\inno\remove_tree.iss"

[Setup]
AppId={{5D3A8E1C-7B2F-4C69-A0E4-9F1B2C3D4E5F}
AppName=Example Tool
AppVersion=1.0.0
AppPublisher=remove_tree example
DefaultDirName={autopf}\Example Tool
DisableProgramGroupPage=yes
PrivilegesRequired=admin
Uninstallable=yes
OutputBaseFilename=example_tool_inno_setup
SetupLogging=no

[Files]
; Registered for Inno's own uninstall: removed after the question.
Source: "..\sample\readme.txt"; DestDir: "{app}"
Source: "..\sample\bin\*"; DestDir: "{app}\bin"
; The saved data the question is about: Inno never removes it itself, so
; that the answer Yes keeps it; remove_tree.exe removes it on No.
Source: "..\sample\data\*"; DestDir: "{app}\data"; Flags: uninsneveruninstall

[Code]
procedure CurUninstallStepChanged(CurUninstallStep: TUninstallStep);
begin
  if CurUninstallStep = usUninstall then
    Log('Saved data: ' + RemoveTreeAsk(ExpandConstant('{app}\data'), 'Example Tool',
        'Do you want to keep your saved files and settings?' + #13#10 +
        'Click "No" to remove them, 100% ' + #$2192 + ' for good.'));
end;

// What is left in use goes at the next restart: Inno offers it.
function UninstallNeedRestart(): Boolean;
begin
  Result := RemoveTreeRestartNeeded;
end;
