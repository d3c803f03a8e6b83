; remove_tree for Inno Setup uninstallers: installs remove_tree.exe,
; UNWISE.EXE and remove_tree_settings.exe beside your program and gives your
; code a function that asks the user whether to keep a folder and, when
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
;   function UninstallNeedRestart(): Boolean;
;   begin
;     Result := RemoveTreeRestartNeeded;
;   end;
;
; Include it before your own code. The programs go into {app}\uninstall
; (#define RemoveTreeTools to put them elsewhere); at uninstall they are
; copied into the uninstaller's temporary folder {tmp}, where KILL.LOG is
; written, beside UNWISE.EXE. The settings file is written in UTF-16, its
; byte-order mark first, by remove_tree_settings.exe, so that every
; character of a path is kept (SetIniString would write 8-bit text into a
; new file, and a name outside the code page would get look-alikes that
; lead to other folders).
;
; Who decides, as Inno's own suppressible message boxes do:
; - an uninstall with a window asks the user, over the uninstall window
;   (named to the tool by its handle);
; - a silent one (/SILENT, /VERYSILENT) asks too, in front of every window,
;   unless /SUPPRESSMSGBOXES is given: then it keeps the folder, unless the
;   script says otherwise (#define RemoveTreeSilent "remove");
; - whoever runs the uninstaller may choose on its command line:
;   /REMOVEDATA removes without asking, /KEEPDATA keeps without asking.
; A folder that is not there is not asked about. RemoveTreeAsk returns what
; happened: kept, absent, removed, restart, incomplete or refused; after
; restart, RemoveTreeRestartNeeded is True (return it from
; UninstallNeedRestart, as above, for Inno's restart after uninstall).
; The texts may hold any character, double quotes and line breaks (#13#10)
; too. The folder's files must not be uninstalled by Inno itself (Flags:
; uninsneveruninstall): the answer Yes must find every one of them.

#ifndef RemoveTreeDir
  #error Define RemoveTreeDir, the folder that holds remove_tree.exe, UNWISE.EXE and remove_tree_settings.exe
#endif
#ifndef RemoveTreeTools
  #define RemoveTreeTools "{app}\uninstall"
#endif
#ifndef RemoveTreeSilent
  #define RemoveTreeSilent "keep"
#endif

[Files]
Source: "{#RemoveTreeDir}\remove_tree.exe"; DestDir: "{#RemoveTreeTools}"; Flags: ignoreversion
Source: "{#RemoveTreeDir}\UNWISE.EXE"; DestDir: "{#RemoveTreeTools}"; Flags: ignoreversion
Source: "{#RemoveTreeDir}\remove_tree_settings.exe"; DestDir: "{#RemoveTreeTools}"; Flags: ignoreversion

[Code]
var
  RemoveTreeRestartNeeded: Boolean;

// Copies one of the programs into the uninstaller's temporary folder.
function RemoveTreeCopy(const Name: String): Boolean;
begin
  Result := FileCopy(ExpandConstant('{#RemoveTreeTools}\') + Name,
                     ExpandConstant('{tmp}\') + Name, False);
end;

// Whether the uninstaller's command line holds Switch.
function RemoveTreeSwitch(const Switch: String): Boolean;
var
  I: Integer;
begin
  Result := False;
  for I := 1 to ParamCount do
    if CompareText(ParamStr(I), Switch) = 0 then
      Result := True;
end;

// One argument of the settings writer: in double quotes, a double quote
// within it doubled.
function RemoveTreeArgument(const Key, Value: String): String;
var
  Text: String;
begin
  Text := Value;
  StringChangeEx(Text, '"', '""', True);
  Result := ' "' + Key + '=' + Text + '"';
end;

function RemoveTreeAsk(const Folder, Title, Text: String): String;
var
  Temp, Settings, ResultFile, Mode, Owner, Window: String;
  Answer: AnsiString;
  ResultCode: Integer;
begin
  Result := 'absent';
  if not DirExists(Folder) then
    Exit;
  Mode := 'ask';
  if UninstallSilent and RemoveTreeSwitch('/SUPPRESSMSGBOXES') then
    Mode := '{#RemoveTreeSilent}';
  if RemoveTreeSwitch('/REMOVEDATA') then
    Mode := 'remove';
  if RemoveTreeSwitch('/KEEPDATA') then
    Mode := 'keep';
  Result := 'kept';
  if Mode = 'keep' then
    Exit;
  Result := 'incomplete';
  Temp := ExpandConstant('{tmp}');
  if not (RemoveTreeCopy('remove_tree.exe') and RemoveTreeCopy('UNWISE.EXE') and
          RemoveTreeCopy('remove_tree_settings.exe')) then
    Exit;
  // The uninstall window owns the question, named by its handle; the
  // title is one no dialog has.
  Window := '';
  if not UninstallSilent then
    Window := IntToStr(UninstallProgressForm.Handle);
  Owner := 'remove_tree: ' + Window;
  if Mode = 'remove' then
    Owner := '/rollback';
  Settings := Temp + '\remove_tree.ini';
  ResultFile := Temp + '\remove_tree.result';
  DeleteFile(ResultFile);
  if Exec(Temp + '\remove_tree_settings.exe',
          '"' + Settings + '"' + RemoveTreeArgument('to_kill', Folder) +
          RemoveTreeArgument('unwise_path', Temp) + RemoveTreeArgument('unwise_title', Owner) +
          RemoveTreeArgument('owner_window', Window) + RemoveTreeArgument('title', Title) +
          RemoveTreeArgument('body', Text) + RemoveTreeArgument('result_file', ResultFile),
          Temp, SW_HIDE, ewWaitUntilTerminated, ResultCode) and (ResultCode = 0) then
  begin
    Exec(Temp + '\remove_tree.exe', '"' + Settings + '"', Temp, SW_SHOWNORMAL,
         ewWaitUntilTerminated, ResultCode);
    if LoadStringFromFile(ResultFile, Answer) then
      Result := Trim(String(Answer));
  end
  else
    Log('remove_tree: the settings file could not be written; ' + Folder + ' is kept');
  if Result = 'restart' then
    RemoveTreeRestartNeeded := True;
  DeleteFile(Settings);
  DeleteFile(ResultFile);
end;
