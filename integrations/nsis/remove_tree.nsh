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
; folder ($PLUGINSDIR: KILL.LOG is written there, beside UNWISE.EXE). The
; settings file is made in UTF-16, its byte-order mark first, so that every
; character of a path is kept: written into an 8-bit file, a name outside
; the code page gets look-alikes (an a with a macron becomes a plain a, a
; fullwidth reverse solidus a separator) that lead to other folders.
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
;   /REMOVEDATA removes without asking, /KEEPDATA keeps without asking. Each
;   counts only as a whole option (in any case): /REMOVEDATAX or a
;   product's own /REMOVEDATABASE=... is no /REMOVEDATA.
; A folder that is not there is not asked about. What was decided, and what
; became of the folder, go into the uninstaller's details, a line each.
;
; An elevated remove_tree.exe starts UNWISE.EXE only where nobody but the
; system and the uninstalling account could have replaced it. When it finds
; $PLUGINSDIR is not such a folder (a TEMP others may change), the macro runs
; the tools once more, unasked, from a new folder of the uninstaller's own
; in the Windows temporary folder, whose access list (inherited from it) lets
; others add entries there but not remove or rename them.
;
; The texts may hold any character: quotes, "%", blanks at either end, and
; line breaks ($\r$\n or $\n), which travel as U+2028 (see docs/settings.md);
; a text that holds a backtick (`) is passed in a variable ("$R0").
; Afterwards $RemoveTreeResult holds what happened: kept, absent, removed,
; restart (what is left goes at the next restart: the macro has called
; SetRebootFlag true), incomplete or refused. The answer Yes keeps every
; file, so do not delete FOLDER yourself. Registers $1 and $2 are kept; the
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
Var RemoveTreeWhy
Var RemoveTreeMode   ; ask, keep or remove
Var RemoveTreeReason ; why
Var RemoveTreeFile   ; the result file of one run
Var RemoveTreeTools  ; a folder of the uninstaller's own for the tools
Var RemoveTreeTitle
Var RemoveTreeText

; Whether the uninstaller's command line holds the option on the stack as a
; whole option, compared without regard to case: 1 or 0 on the stack.
; Options are separated by blanks; a part in double quotes is one.
Function un.RemoveTreeOption
    Exch $R0 ; the option
    Push $R1 ; the command line still to read
    Push $R2 ; the option being read
    Push $R3 ; its next character
    Push $R4 ; 1 within double quotes
    Push $R5 ; 1 once found
    Push $R6
    ${GetParameters} $R1
    StrCpy $R2 ""
    StrCpy $R4 0
    StrCpy $R5 0
    ${Do}
        StrCpy $R3 $R1 1
        StrCpy $R1 $R1 "" 1
        StrCpy $R6 0 ; 1 where an option ends
        ${If} $R3 == ""
            StrCpy $R6 1
        ${ElseIf} $R3 == '"'
            IntOp $R4 1 - $R4
        ${ElseIf} $R3 == " "
        ${AndIf} $R4 == 0
            StrCpy $R6 1
        ${Else}
            StrCpy $R2 "$R2$R3"
        ${EndIf}
        ${If} $R6 == 1
            ${If} $R2 == $R0
                StrCpy $R5 1
            ${EndIf}
            StrCpy $R2 ""
        ${EndIf}
    ${LoopUntil} $R3 == ""
    StrCpy $R0 $R5
    Pop $R6
    Pop $R5
    Pop $R4
    Pop $R3
    Pop $R2
    Pop $R1
    Exch $R0
FunctionEnd

; Writes $2 as the value KEY of the settings file FILE, in double quotes (the
; profile reader drops them and keeps the blanks within), its line breaks as
; U+2028.
!macro RemoveTreeWrite FILE KEY
    ${WordReplace} "$2" "$\r$\n" "${U+2028}" "+" $2
    ${WordReplace} "$2" "$\n" "${U+2028}" "+" $2
    ${WordReplace} "$2" "$\r" "${U+2028}" "+" $2
    WriteINIStr "${FILE}" Strings ${KEY} '"$2"'
!macroend

; Unpacks the tools into TOOLS and runs them on FOLDER: asking over the
; uninstaller's window when $RemoveTreeMode is "ask", unasked otherwise,
; with the caption $RemoveTreeTitle and the text $RemoveTreeText. What became of
; the folder goes into $RemoveTreeResult, why into $RemoveTreeWhy (the
; result file's further lines, "; " between them).
!macro RemoveTreeRunIn TOOLS FOLDER
    SetOutPath "${TOOLS}"
    File "${REMOVE_TREE_DIR}\remove_tree.exe"
    File "${REMOVE_TREE_DIR}\UNWISE.EXE"
    FileOpen $1 "${TOOLS}\remove_tree.ini" w
    FileWriteWord $1 0xFEFF
    FileClose $1
    WriteINIStr "${TOOLS}\remove_tree.ini" Strings to_kill "${FOLDER}"
    WriteINIStr "${TOOLS}\remove_tree.ini" Strings unwise_path "${TOOLS}"
    ${If} $RemoveTreeMode == "ask"
        ; A title no dialog has: the window named by its handle owns the
        ; question.
        WriteINIStr "${TOOLS}\remove_tree.ini" Strings unwise_title "remove_tree: $HWNDPARENT"
        WriteINIStr "${TOOLS}\remove_tree.ini" Strings owner_window "$HWNDPARENT"
    ${Else}
        WriteINIStr "${TOOLS}\remove_tree.ini" Strings unwise_title "/rollback"
    ${EndIf}
    StrCpy $2 $RemoveTreeTitle
    !insertmacro RemoveTreeWrite "${TOOLS}\remove_tree.ini" title
    StrCpy $2 $RemoveTreeText
    !insertmacro RemoveTreeWrite "${TOOLS}\remove_tree.ini" body
    ; A name no file has had: the tool makes the file, and it is read once.
    GetTempFileName $RemoveTreeFile "${TOOLS}"
    Delete $RemoveTreeFile
    WriteINIStr "${TOOLS}\remove_tree.ini" Strings result_file "$RemoveTreeFile"
    ExecWait '"${TOOLS}\remove_tree.exe" "${TOOLS}\remove_tree.ini"'
    StrCpy $RemoveTreeResult "incomplete"
    StrCpy $RemoveTreeWhy ""
    ClearErrors
    FileOpen $2 "$RemoveTreeFile" r
    ${IfNot} ${Errors}
        FileRead $2 $RemoveTreeResult
        ${WordReplace} "$RemoveTreeResult" "$\r$\n" "" "+" $RemoveTreeResult
        ${Do}
            ClearErrors
            FileRead $2 $1
            ${If} ${Errors}
                ${ExitDo}
            ${EndIf}
            ${WordReplace} "$1" "$\r$\n" "" "+" $1
            ${If} $RemoveTreeWhy != ""
                StrCpy $RemoveTreeWhy "$RemoveTreeWhy; "
            ${EndIf}
            StrCpy $RemoveTreeWhy "$RemoveTreeWhy$1"
        ${Loop}
        FileClose $2
    ${EndIf}
    Delete "$RemoveTreeFile"
    Delete "${TOOLS}\remove_tree.ini"
    SetOutPath "$TEMP"
!macroend

!macro RemoveTree FOLDER TITLE TEXT
    Push $1
    Push $2
    StrCpy $RemoveTreeResult "absent"
    StrCpy $RemoveTreeTitle `${TITLE}`
    StrCpy $RemoveTreeText `${TEXT}`
    StrCpy $RemoveTreeMode "ask"
    StrCpy $RemoveTreeReason ""
    ${If} ${Silent}
        StrCpy $RemoveTreeMode "${REMOVE_TREE_SILENT}"
        StrCpy $RemoveTreeReason "a silent uninstall; REMOVE_TREE_SILENT is ${REMOVE_TREE_SILENT}"
    ${EndIf}
    Push "/REMOVEDATA"
    Call un.RemoveTreeOption
    Pop $2
    ${If} $2 == 1
        StrCpy $RemoveTreeMode "remove"
        StrCpy $RemoveTreeReason "/REMOVEDATA"
    ${EndIf}
    Push "/KEEPDATA"
    Call un.RemoveTreeOption
    Pop $2
    ${If} $2 == 1
        StrCpy $RemoveTreeMode "keep"
        StrCpy $RemoveTreeReason "/KEEPDATA"
    ${EndIf}
    ${IfNot} ${FileExists} "${FOLDER}\*.*"
        DetailPrint "remove_tree: decided for ${FOLDER}: absent (the folder is not there; nothing asked)"
        DetailPrint "remove_tree: result for ${FOLDER}: absent"
    ${ElseIf} $RemoveTreeMode == "keep"
        StrCpy $RemoveTreeResult "kept"
        DetailPrint "remove_tree: decided for ${FOLDER}: keep ($RemoveTreeReason)"
        DetailPrint "remove_tree: result for ${FOLDER}: kept"
    ${Else}
        InitPluginsDir
        !insertmacro RemoveTreeRunIn "$PLUGINSDIR" "${FOLDER}"
        ; What the user answered shows in the result: kept, and why, or gone on.
        ${If} $RemoveTreeMode == "ask"
        ${AndIf} $RemoveTreeResult == "kept"
            DetailPrint "remove_tree: decided for ${FOLDER}: keep ($RemoveTreeWhy)"
        ${ElseIf} $RemoveTreeMode == "ask"
            DetailPrint "remove_tree: decided for ${FOLDER}: remove (the answer was No)"
        ${Else}
            DetailPrint "remove_tree: decided for ${FOLDER}: remove ($RemoveTreeReason)"
        ${EndIf}
        ClearErrors
        ${WordFind} "$RemoveTreeWhy" "UNWISE.EXE is not started" "E+1{" $2
        ${If} $RemoveTreeResult == "refused"
        ${AndIfNot} ${Errors}
            ; $PLUGINSDIR is a folder others may change: once more, unasked
            ; (the answer was No), from a new folder of the uninstaller's own
            ; in the Windows temporary folder.
            DetailPrint "remove_tree: result for ${FOLDER}: refused; $RemoveTreeWhy"
            StrCpy $RemoveTreeMode "remove"
            GetTempFileName $RemoveTreeTools "$WINDIR\Temp"
            Delete $RemoveTreeTools
            ClearErrors
            CreateDirectory $RemoveTreeTools
            ${IfNot} ${Errors}
                !insertmacro RemoveTreeRunIn "$RemoveTreeTools" "${FOLDER}"
                RMDir /r $RemoveTreeTools
            ${EndIf}
        ${EndIf}
        ${If} $RemoveTreeWhy == ""
            DetailPrint "remove_tree: result for ${FOLDER}: $RemoveTreeResult"
        ${Else}
            DetailPrint "remove_tree: result for ${FOLDER}: $RemoveTreeResult; $RemoveTreeWhy"
        ${EndIf}
        ${If} $RemoveTreeResult == "restart"
            SetRebootFlag true
        ${EndIf}
    ${EndIf}
    Pop $2
    Pop $1
!macroend

!endif
