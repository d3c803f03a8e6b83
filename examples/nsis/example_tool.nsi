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

    ; Asks over this uninstaller's window and removes $INSTDIR when the
    ; answer is No. A silent uninstall keeps it, unless its command line
    ; says /REMOVEDATA.
    !insertmacro RemoveTree "$INSTDIR" "Example Tool" \
        'Do you want to keep your saved files and settings?$\r$\nAnswer "No" to remove all of "$INSTDIR" (100%) ${U+2192} for good.'

    ; What is left in use goes at the next restart: tell whoever ran a
    ; silent uninstall, as msiexec does.
    ${If} ${RebootFlag}
        SetErrorLevel 3010
    ${EndIf}
SectionEnd
