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
; other folders.
;
; Who decides:
; - an uninstall with a window asks the user, over the uninstaller's own
;   window (named to the tool by its handle, $HWNDPARENT, so no other
;   program's dialog can own the question);
; - a silent uninstall (/S) asks nothing and keeps the folder, unless the
;   script says otherwise (!define REMOVE_TREE_SILENT remove before the
;   !include, as MessageBox /SD gives a silent default). So the usual
;   upgrade, which runs the old uninstaller silently in place
;   (ExecWait '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'), keeps the folder;
; - whoever runs the uninstaller may choose on its command line:
;   /REMOVEDATA removes without asking, /KEEPDATA keeps without asking.
; A folder that is not there is not asked about.
;
; The texts may hold any character: quotes, "%", blanks at either end, and
; line breaks ($\r$\n or $\n), which travel as U+2028 (see docs/settings.md);
; a text that holds a backtick (`) is passed in a variable ("$R0").
; Afterwards $RemoveTreeResult holds what happened: kept, absent, removed,
; restart (what is left goes at the next restart: the macro has called
; SetRebootFlag true), incomplete or refused. The answer Yes keeps every
; file, so do not delete FOLDER yourself. Registers $0 to $2 are kept; the
; output folder is left at $TEMP, so that $PLUGINSDIR can be removed at the
; end. Needs Unicode true.

!ifndef REMOVE_TREE_NSH
!define REMOVE_TREE_NSH

!ifndef REMOVE_TREE_DIR
    !error "define REMOVE_TREE_DIR, the folder that holds remove_tree.exe and UNWISE.EXE"
!endif
!ifndef NSIS_UNICODE
    !error "remove_tree.nsh needs Unicode true"
!endif
; What a silent uninstall does when its command line does not say: keep or remove.
!ifndef REMOVE_TREE_SILENT
    !define REMOVE_TREE_SILENT keep
!endif

!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "WordFunc.nsh"

Var RemoveTreeResult

; Writes $2 as the value KEY, in double quotes (the profile reader drops
; them and keeps the blanks within), its line breaks as U+2028.
!macro RemoveTreeWrite KEY
    ${WordReplace} "$2" "$\r$\n" "${U+2028}" "+" $2
    ${WordReplace} "$2" "$\n" "${U+2028}" "+" $2
    ${WordReplace} "$2" "$\r" "${U+2028}" "+" $2
    WriteINIStr "$PLUGINSDIR\remove_tree.ini" Strings ${KEY} '"$2"'
!macroend

!macro RemoveTree FOLDER TITLE TEXT
    Push $0
    Push $1
    Push $2
    StrCpy $RemoveTreeResult "absent"
    ; ask, keep or remove
    StrCpy $0 "ask"
    ${If} ${Silent}
        StrCpy $0 "${REMOVE_TREE_SILENT}"
    ${EndIf}
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} "$1" "/REMOVEDATA" $2
    ${IfNot} ${Errors}
        StrCpy $0 "remove"
    ${EndIf}
    ClearErrors
    ${GetOptions} "$1" "/KEEPDATA" $2
    ${IfNot} ${Errors}
        StrCpy $0 "keep"
    ${EndIf}
    ${If} ${FileExists} "${FOLDER}\*.*"
    ${AndIf} $0 == "keep"
        StrCpy $RemoveTreeResult "kept"
    ${ElseIf} ${FileExists} "${FOLDER}\*.*"
        InitPluginsDir
        SetOutPath "$PLUGINSDIR"
        File "${REMOVE_TREE_DIR}\remove_tree.exe"
        File "${REMOVE_TREE_DIR}\UNWISE.EXE"
        FileOpen $1 "$PLUGINSDIR\remove_tree.ini" w
        FileWriteWord $1 0xFEFF
        FileClose $1
        Delete "$PLUGINSDIR\remove_tree.result"
        WriteINIStr "$PLUGINSDIR\remove_tree.ini" Strings to_kill "${FOLDER}"
        WriteINIStr "$PLUGINSDIR\remove_tree.ini" Strings unwise_path "$PLUGINSDIR"
        ${If} $0 == "remove"
            WriteINIStr "$PLUGINSDIR\remove_tree.ini" Strings unwise_title "/rollback"
        ${Else}
            ; A title no dialog has: the window named by its handle owns
            ; the question.
            WriteINIStr "$PLUGINSDIR\remove_tree.ini" Strings unwise_title "remove_tree: $HWNDPARENT"
            WriteINIStr "$PLUGINSDIR\remove_tree.ini" Strings owner_window "$HWNDPARENT"
        ${EndIf}
        StrCpy $2 `${TITLE}`
        !insertmacro RemoveTreeWrite title
        StrCpy $2 `${TEXT}`
        !insertmacro RemoveTreeWrite body
        WriteINIStr "$PLUGINSDIR\remove_tree.ini" Strings result_file "$PLUGINSDIR\remove_tree.result"
        ExecWait '"$PLUGINSDIR\remove_tree.exe" "$PLUGINSDIR\remove_tree.ini"'
        StrCpy $RemoveTreeResult "incomplete"
        ClearErrors
        FileOpen $1 "$PLUGINSDIR\remove_tree.result" r
        ${IfNot} ${Errors}
            FileRead $1 $2
            FileClose $1
            ${WordReplace} "$2" "$\r$\n" "" "+" $RemoveTreeResult
        ${EndIf}
        ${If} $RemoveTreeResult == "restart"
            SetRebootFlag true
        ${EndIf}
        Delete "$PLUGINSDIR\remove_tree.ini"
        Delete "$PLUGINSDIR\remove_tree.result"
        SetOutPath "$TEMP"
    ${EndIf}
    Pop $2
    Pop $1
    Pop $0
!macroend

!endif
