; remove_tree for NSIS uninstallers: one macro that asks the user whether
; to keep a folder and, when the answer is No, removes it.
;
;   !define REMOVE_TREE_DIR "path\to\the folder with remove_tree.exe and UNWISE.EXE"
;   !include "remove_tree.nsh"
;   ...
;   Section "Uninstall"
;       !insertmacro RemoveTree "$INSTDIR" "Example Tool" \
;           "Do you want to keep your saved files and settings?"
;       ...
;   SectionEnd
;
; Use it in an uninstall section (or an un. function). The two programs
; travel inside the uninstaller and are unpacked into its own temporary
; folder ($PLUGINSDIR, writable: KILL.LOG is written there, beside
; UNWISE.EXE). The settings file is made in UTF-16, its byte-order mark
; first, so that every character of a path is kept: written into an 8-bit
; file, a name outside the code page gets look-alikes (an a with a macron
; becomes a plain a, a fullwidth reverse solidus a separator) that lead to
; other folders. The question is owned by the uninstaller's window, whose
; caption starts with $(^UninstallCaption); a silent uninstall asks nothing.
; The answer Yes keeps every file, so do not delete FOLDER yourself; the
; tool always exits with 0: look at FOLDER afterwards to learn what
; happened. Registers $0 and $1 are kept; the output folder is left at
; $TEMP, so that $PLUGINSDIR can be removed at the end.

!ifndef REMOVE_TREE_NSH
!define REMOVE_TREE_NSH

!ifndef REMOVE_TREE_DIR
    !error "define REMOVE_TREE_DIR, the folder that holds remove_tree.exe and UNWISE.EXE"
!endif

!macro RemoveTree FOLDER TITLE TEXT
    Push $0
    Push $1
    InitPluginsDir
    SetOutPath "$PLUGINSDIR"
    File "${REMOVE_TREE_DIR}\remove_tree.exe"
    File "${REMOVE_TREE_DIR}\UNWISE.EXE"
    StrCpy $0 "$(^UninstallCaption)"
    IfSilent 0 +2
        StrCpy $0 "/rollback"
    FileOpen $1 "$PLUGINSDIR\remove_tree.ini" w
    FileWriteWord $1 0xFEFF
    FileClose $1
    WriteINIStr "$PLUGINSDIR\remove_tree.ini" Strings to_kill "${FOLDER}"
    WriteINIStr "$PLUGINSDIR\remove_tree.ini" Strings unwise_path "$PLUGINSDIR"
    WriteINIStr "$PLUGINSDIR\remove_tree.ini" Strings unwise_title "$0"
    WriteINIStr "$PLUGINSDIR\remove_tree.ini" Strings title "${TITLE}"
    WriteINIStr "$PLUGINSDIR\remove_tree.ini" Strings body "${TEXT}"
    ExecWait '"$PLUGINSDIR\remove_tree.exe" "$PLUGINSDIR\remove_tree.ini"'
    Delete "$PLUGINSDIR\remove_tree.ini"
    SetOutPath "$TEMP"
    Pop $1
    Pop $0
!macroend

!endif
