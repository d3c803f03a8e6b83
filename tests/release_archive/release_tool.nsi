; Written for the release archive's test, as an installer author would from
; the archive alone: placed in the unpacked archive's folder, it installs
; two of the archive's own files and uninstalls with the archive's drop-in.
;   makensis -DOUTFILE=release_tool_nsis.exe release_tool.nsi
Unicode true
Name "Release Tool"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Release Tool"
RequestExecutionLevel admin

!define REMOVE_TREE_DIR "${__FILEDIR__}"
!include "${__FILEDIR__}\integrations\nsis\remove_tree.nsh"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Release Tool"
    SetOutPath "$INSTDIR"
    File "${__FILEDIR__}\README.md"
    SetOutPath "$INSTDIR\data"
    File "${__FILEDIR__}\LICENSE"
    WriteUninstaller "$INSTDIR\uninstall.exe"
SectionEnd

Section "Uninstall"
    !insertmacro RemoveTree "$INSTDIR" "Release Tool" "Keep the Release Tool's files?"
    SetAutoClose true
SectionEnd
