; An NSIS installer for a sample application whose uninstaller lets
; remove_tree.exe take the installed folder away, after asking the user.
; Build (the folder holding remove_tree.exe and UNWISE.EXE, and the output):
;   makensis -DTOOLS_DIR=build/win32 -DOUTFILE=example_tool_setup.exe example_tool.nsi
; Copy it and change the names, the texts and where UNWISE.EXE comes from.

Unicode true
Name "Example Tool"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Example Tool"
RequestExecutionLevel admin
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Example Tool"
    SetOutPath "$INSTDIR"
    File /r "sample\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
SectionEnd

Section "Uninstall"
    ; Do not delete $INSTDIR here: remove_tree.exe does it when the user
    ; answers No, and the answer Yes must keep every file.

    ; The helper and the uninstaller travel inside this uninstaller and are
    ; unpacked into its own temporary folder, which is writable: KILL.LOG is
    ; written there, beside UNWISE.EXE.
    InitPluginsDir
    SetOutPath "$PLUGINSDIR"
    File "${TOOLS_DIR}\remove_tree.exe"
    File "${TOOLS_DIR}\UNWISE.EXE"

    ; The question is owned by this uninstaller's window, whose caption starts
    ; with $(^UninstallCaption) ("Example Tool Uninstall: Uninstalling" while
    ; this section runs). A silent uninstall asks nothing.
    StrCpy $0 "$(^UninstallCaption)"
    IfSilent 0 +2
        StrCpy $0 "/rollback"

    ; The settings file is made in UTF-16 (its byte-order mark first), so
    ; that every character of a path is kept: written into an 8-bit file,
    ; a name outside the code page gets look-alikes (an a with a macron
    ; becomes a plain a, a fullwidth reverse solidus a separator) that lead
    ; to other folders.
    FileOpen $1 "$PLUGINSDIR\remove_tree.ini" w
    FileWriteWord $1 0xFEFF
    FileClose $1
    WriteINIStr "$PLUGINSDIR\remove_tree.ini" Strings to_kill "$INSTDIR"
    WriteINIStr "$PLUGINSDIR\remove_tree.ini" Strings unwise_path "$PLUGINSDIR"
    WriteINIStr "$PLUGINSDIR\remove_tree.ini" Strings unwise_title "$0"
    WriteINIStr "$PLUGINSDIR\remove_tree.ini" Strings title "Example Tool"
    WriteINIStr "$PLUGINSDIR\remove_tree.ini" Strings body \
        "Do you want to keep your saved files and settings?"
    ExecWait '"$PLUGINSDIR\remove_tree.exe" "$PLUGINSDIR\remove_tree.ini"'

    ; remove_tree.exe always exits with 0: look at the folder itself.
    IfFileExists "$INSTDIR\*.*" 0 +3
        DetailPrint "Kept $INSTDIR"
        Goto done
    DetailPrint "Removed $INSTDIR"
    done:
    ; Leave the temporary folder, so that it can be removed at the end.
    SetOutPath "$TEMP"
    SetAutoClose true
SectionEnd
