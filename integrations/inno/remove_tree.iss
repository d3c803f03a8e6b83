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
;   /REMOVEDATA removes without asking, /KEEPDATA keeps without asking, each
;   only as a whole option (in any case).
; A folder that is not there is not asked about. RemoveTreeAsk returns what
; happened: kept, absent, removed, restart, incomplete or refused; after
; restart, RemoveTreeRestartNeeded is True (return it from
; UninstallNeedRestart, as above, for Inno's restart after uninstall). What
; was decided, and what became of the folder, go into the uninstall log
; (/LOG), a line each.
; An elevated remove_tree.exe starts UNWISE.EXE only where nobody but the
; system and the uninstalling account could have replaced it. When it finds
; {tmp} is not such a folder (a TEMP others may change), the tools are run
; once more, unasked, from a new folder of the uninstaller's own in the
; Windows temporary folder, whose access list (inherited from it) lets
; others add entries there but not remove or rename them, copied there from
; where they were installed.
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
  RemoveTreeRuns: Integer;

// Copies one of the installed programs into the folder Tools.
function RemoveTreeCopy(const Tools, Name: String): Boolean;
begin
  Result := FileCopy(ExpandConstant('{#RemoveTreeTools}\') + Name, Tools + '\' + Name, False);
end;

// Whether the uninstaller's command line holds Switch, whole, in any case.
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

// Runs the tools, copied into Tools, on Folder, asking over the uninstall
// form when Ask is True; what became of the folder is the result, why goes
// into Why (the result file's further lines, '; ' between them).
function RemoveTreeRunIn(const Tools, Folder, Title, Text: String; Ask: Boolean;
                         var Why: String): String;
var
  Settings, ResultFile, Owner, Window: String;
  Lines: TArrayOfString;
  ResultCode, I: Integer;
begin
  Result := 'incomplete';
  Why := '';
  if not (RemoveTreeCopy(Tools, 'remove_tree.exe') and RemoveTreeCopy(Tools, 'UNWISE.EXE') and
          RemoveTreeCopy(Tools, 'remove_tree_settings.exe')) then
  begin
    Why := 'the tools could not be copied into ' + Tools;
    Exit;
  end;
  // The uninstall form owns the question, named by its handle; the title
  // is one no dialog has.
  Window := '';
  if Ask and not UninstallSilent then
    Window := IntToStr(UninstallProgressForm.Handle);
  Owner := 'remove_tree: ' + Window;
  if not Ask then
    Owner := '/rollback';
  Settings := Tools + '\remove_tree.ini';
  // A name no file has had: the tool makes the file, and it is read once.
  RemoveTreeRuns := RemoveTreeRuns + 1;
  ResultFile := Tools + '\remove_tree.' + IntToStr(RemoveTreeRuns) + '.result';
  DeleteFile(ResultFile);
  if Exec(Tools + '\remove_tree_settings.exe',
          '"' + Settings + '"' + RemoveTreeArgument('to_kill', Folder) +
          RemoveTreeArgument('unwise_path', Tools) + RemoveTreeArgument('unwise_title', Owner) +
          RemoveTreeArgument('owner_window', Window) + RemoveTreeArgument('title', Title) +
          RemoveTreeArgument('body', Text) + RemoveTreeArgument('result_file', ResultFile),
          Tools, SW_HIDE, ewWaitUntilTerminated, ResultCode) and (ResultCode = 0) then
  begin
    Exec(Tools + '\remove_tree.exe', '"' + Settings + '"', Tools, SW_SHOWNORMAL,
         ewWaitUntilTerminated, ResultCode);
    if LoadStringsFromFile(ResultFile, Lines) and (GetArrayLength(Lines) > 0) then
    begin
      Result := Trim(Lines[0]);
      for I := 1 to GetArrayLength(Lines) - 1 do
      begin
        if Why <> '' then
          Why := Why + '; ';
        Why := Why + Lines[I];
      end;
    end;
  end
  else
    Why := 'the settings file could not be written';
  DeleteFile(Settings);
  DeleteFile(ResultFile);
end;

function RemoveTreeAsk(const Folder, Title, Text: String): String;
var
  Mode, Reason, Why, Tools: String;
begin
  Result := 'absent';
  if not DirExists(Folder) then
  begin
    Log('remove_tree: decided for ' + Folder + ': absent (the folder is not there; nothing asked)');
    Log('remove_tree: result for ' + Folder + ': absent');
    Exit;
  end;
  Mode := 'ask';
  if UninstallSilent and RemoveTreeSwitch('/SUPPRESSMSGBOXES') then
  begin
    Mode := '{#RemoveTreeSilent}';
    Reason := 'a silent uninstall without message boxes; RemoveTreeSilent is {#RemoveTreeSilent}';
  end;
  if RemoveTreeSwitch('/REMOVEDATA') then
  begin
    Mode := 'remove';
    Reason := '/REMOVEDATA';
  end;
  if RemoveTreeSwitch('/KEEPDATA') then
  begin
    Mode := 'keep';
    Reason := '/KEEPDATA';
  end;
  if Mode = 'keep' then
  begin
    Log('remove_tree: decided for ' + Folder + ': keep (' + Reason + ')');
    Log('remove_tree: result for ' + Folder + ': kept');
    Result := 'kept';
    Exit;
  end;
  Result := RemoveTreeRunIn(ExpandConstant('{tmp}'), Folder, Title, Text, Mode = 'ask', Why);
  // What the user answered shows in the result: kept, and why, or gone on.
  if (Mode = 'ask') and (Result = 'kept') then
    Log('remove_tree: decided for ' + Folder + ': keep (' + Why + ')')
  else if Mode = 'ask' then
    Log('remove_tree: decided for ' + Folder + ': remove (the answer was No)')
  else
    Log('remove_tree: decided for ' + Folder + ': remove (' + Reason + ')');
  if (Result = 'refused') and (Pos('UNWISE.EXE is not started', Why) > 0) then
  begin
    // {tmp} is a folder others may change: once more, unasked (the answer
    // was No), from a new folder of the uninstaller's own in the Windows
    // temporary folder.
    Log('remove_tree: result for ' + Folder + ': refused; ' + Why);
    Tools := ExpandConstant('{win}\Temp\RemoveTree.') + ExtractFileName(ExpandConstant('{tmp}'));
    if CreateDir(Tools) then
    begin
      Result := RemoveTreeRunIn(Tools, Folder, Title, Text, False, Why);
      DelTree(Tools, True, True, True);
    end;
  end;
  if Why <> '' then
    Log('remove_tree: result for ' + Folder + ': ' + Result + '; ' + Why)
  else
    Log('remove_tree: result for ' + Folder + ': ' + Result);
  if Result = 'restart' then
    RemoveTreeRestartNeeded := True;
end;
