; remove_tree for Inno Setup uninstallers: installs remove_tree.exe,
; UNWISE.EXE and remove_tree_settings.exe beside your program and gives your
; [Code] a procedure that asks the user whether to keep a folder and, when
; the answer is No, removes it.
;
;   #define RemoveTreeDir "path\to\the folder with the three programs"
;   #include "remove_tree.iss"
;   ...
;   [Code]
;   procedure CurUninstallStepChanged(CurUninstallStep: TUninstallStep);
;   begin
;     if CurUninstallStep = usUninstall then
;       RemoveTreeAsk(ExpandConstant('{app}\data'), 'Example Tool',
;                     'Do you want to keep your saved files and settings?');
;   end;
;
; Include it before your own [Code]. The programs go into {app}\uninstall
; (#define RemoveTreeTools to put them elsewhere); at uninstall they are
; copied into the uninstaller's temporary folder {tmp}, where KILL.LOG is
; written, beside UNWISE.EXE. The settings file is written in UTF-16, its
; byte-order mark first, by remove_tree_settings.exe, so that every
; character of a path is kept (SetIniString would write 8-bit text into a
; new file, and a name outside the code page would get look-alikes that
; lead to other folders). A silent uninstall (/SILENT, /VERYSILENT) asks
; nothing. The question has no owner: Inno's uninstall window is not the
; standard dialog class the owner is looked for by.
; The folder's files must not be uninstalled by Inno itself (Flags:
; uninsneveruninstall): the answer Yes must find every one of them. The
; tool always exits with 0: look at the folder afterwards to learn what
; happened. Texts must not hold a double quote.

#ifndef RemoveTreeDir
  #error Define RemoveTreeDir, the folder that holds remove_tree.exe, UNWISE.EXE and remove_tree_settings.exe
#endif
#ifndef RemoveTreeTools
  #define RemoveTreeTools "{app}\uninstall"
#endif

[Files]
Source: "{#RemoveTreeDir}\remove_tree.exe"; DestDir: "{#RemoveTreeTools}"; Flags: ignoreversion
Source: "{#RemoveTreeDir}\UNWISE.EXE"; DestDir: "{#RemoveTreeTools}"; Flags: ignoreversion
Source: "{#RemoveTreeDir}\remove_tree_settings.exe"; DestDir: "{#RemoveTreeTools}"; Flags: ignoreversion

[Code]
// Copies one of the programs into the uninstaller's temporary folder.
function RemoveTreeCopy(const Name: String): Boolean;
begin
  Result := FileCopy(ExpandConstant('{#RemoveTreeTools}\') + Name,
                     ExpandConstant('{tmp}\') + Name, False);
end;

procedure RemoveTreeAsk(const Folder, Title, Text: String);
var
  Temp, Settings, Owner: String;
  ResultCode: Integer;
begin
  Temp := ExpandConstant('{tmp}');
  if not (RemoveTreeCopy('remove_tree.exe') and RemoveTreeCopy('UNWISE.EXE') and
          RemoveTreeCopy('remove_tree_settings.exe')) then
    Exit;
  Owner := Title;
  if UninstallSilent then
    Owner := '/rollback';
  Settings := Temp + '\remove_tree.ini';
  if Exec(Temp + '\remove_tree_settings.exe',
          '"' + Settings + '" "to_kill=' + Folder + '" "unwise_path=' + Temp +
          '" "unwise_title=' + Owner + '" "title=' + Title + '" "body=' + Text + '"',
          Temp, SW_HIDE, ewWaitUntilTerminated, ResultCode) and (ResultCode = 0) then
    Exec(Temp + '\remove_tree.exe', '"' + Settings + '"', Temp, SW_SHOWNORMAL,
         ewWaitUntilTerminated, ResultCode);
  DeleteFile(Settings);
end;
