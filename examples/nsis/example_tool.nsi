; An NSIS installer for a sample application whose uninstaller lets
; remove_tree.exe take the installed folder away, after asking the user
; (integrations/nsis/remove_tree.nsh).
; Build (the folder holding remove_tree.exe and UNWISE.EXE, and the output):
;   makensis -DREMOVE_TREE_DIR=build/win32 -DOUTFILE=example_tool_setup.exe example_tool.nsi
; Copy it and change the names, the texts and where UNWISE.EXE comes from.

Unicode true
Name "Example Tool"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Example Tool"
RequestExecutionLevel admin
ShowUninstDetails show

!addincludedir "${__FILEDIR__}\..\..\integrations\nsis"
!include "remove_tree.nsh"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Example Tool"
    SetOutPath "$INSTDIR"
    File /r "..\sample\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
SectionEnd

Section "Uninstall"
    ; Do not delete $INSTDIR here: remove_tree.exe does it when the user
    ; answers No, and the answer Yes must keep every file.

    ; Asks over this uninstaller's window (nothing when it runs silent) and
    ; removes $INSTDIR when the answer is No.
    !insertmacro RemoveTree "$INSTDIR" "Example Tool" \
        "Do you want to keep your saved files and settings?"

    ; remove_tree.exe always exits with 0: look at the folder itself.
    IfFileExists "$INSTDIR\*.*" 0 +3
        DetailPrint "Kept $INSTDIR"
        Goto done
    DetailPrint "Removed $INSTDIR"
    done:
    SetAutoClose true
SectionEnd
