// remove_tree_actions.dll: the Windows Installer custom actions of the WiX
// drop-in (remove_tree.wxi), carried in the package's Binary table.
//
// RemoveTreeDecide (immediate, as the user, after DeleteServices and
// before RemoveFiles) decides about REMOVETREE_FOLDER and writes the
// decision into the installer's log:
//   - absent: the folder is not there; nothing is asked;
//   - REMOVEDATA=1 removes and REMOVEDATA=0 keeps, whatever the UI;
//   - otherwise Windows Installer asks the question (REMOVETREE_TEXT) where
//     its user interface shows modal boxes: No removes, Yes keeps; where it
//     shows none, REMOVETREE_SILENT decides ("keep" unless the author says
//     "remove").
// It sets the private property RemoveTreeDecision for the package's own use,
// and when the decision is to remove, it schedules the actions below itself
// (MsiDoAction), with their CustomActionData: an uninstall in which it did
// not run, or failed, schedules nothing, whatever the command line says.
// RemoveTreeUnstage (rollback), RemoveTreeStage (deferred) and RemoveTreeRun
// (commit), all without impersonation (LocalSystem): the tools are copied
// into a new private folder before Windows Installer removes them, and run
// from there only once the uninstall can no longer be rolled back; a
// rollback deletes the copies instead. Where rollback is disabled, commit
// actions do not run either: RemoveTreeRunNow, the same removal as a plain
// deferred action, runs then. The removal writes its result into the
// installer's log and, when what is left goes at the next restart, marks
// that for RemoveTreeRestart (immediate, after InstallFinalize), which asks
// Windows Installer for the restart: a deferred action may not.
// Every action returns success: no answer and no failure removes anything,
// and none fails the uninstall.
#include "installer_messages.h"
#include "staged_tools.h"
#include "../settings_writer/settings_file.h"
#include "../../access_control/program_trust.h"
#include "../../removal/run_result.h"
#include "../../startup/system_functions.h"

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <initializer_list>

static const DWORD text_room = 32768;

// The value of `name`, whole, into `value`; empty when it is not set or too long.
static void property(MSIHANDLE install, const wchar_t* name, wchar_t* value) {
    DWORD size = text_room;
    if (MsiGetPropertyW(install, name, value, &size) != ERROR_SUCCESS || size >= text_room)
        value[0] = L'\0';
}

static bool is_folder(const wchar_t* path) {
    DWORD attributes = GetFileAttributesW(path);
    return path[0] != L'\0' && attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// `parts` joined, into `line` (of text_room characters), cut to fit.
static const wchar_t* joined(wchar_t* line, std::initializer_list<const wchar_t*> parts) {
    line[0] = L'\0';
    for (const wchar_t* part : parts)
        std::wcsncat(line, part, text_room - 1 - std::wcslen(line));
    return line;
}

// The folder the tools are copied into: new for this uninstall, in the
// Windows temporary folder (where others may add entries but not remove
// or rename them), its name ending in 64 random bits.
static bool staging_folder(MSIHANDLE install, wchar_t* folder) {
    static wchar_t windows[text_room];
    unsigned long random[2];
    property(install, L"WindowsFolder", windows);
    if (windows[0] == L'\0' || !gen_random(random, sizeof random) ||
        std::wcslen(windows) + 64 >= text_room)
        return false;
    wchar_t digits[2][16];
    joined(folder, {windows, L"Temp\\RemoveTree.", _ultow(random[0], digits[0], 16),
                    _ultow(random[1], digits[1], 16)});
    return true;
}

// Schedules the removal of `folder` with the tools of `tools`: the rollback
// action first, as Windows Installer runs rollback actions that were
// scheduled before the point it rolls back from; the commit action where
// rollback, and so commit, is enabled, the same removal deferred otherwise.
static const wchar_t* schedule_removal(MSIHANDLE install, const wchar_t* tools,
                                       const wchar_t* folder) {
    static wchar_t staged[text_room], data[text_room], rollback_disabled[text_room];
    if (!staging_folder(install, staged))
        return L"no folder for the tools";
    property(install, L"RollbackDisabled", rollback_disabled);
    bool commit = rollback_disabled[0] == L'\0';
    const struct {
        const wchar_t* action;
        std::initializer_list<const wchar_t*> data;
        bool scheduled;
    } actions[] = {
        {L"RemoveTreeUnstage", {staged}, commit},
        {L"RemoveTreeStage", {tools, L"|", staged}, true},
        {L"RemoveTreeRun", {staged, L"|", folder}, commit},
        {L"RemoveTreeRunNow", {staged, L"|", folder}, !commit},
    };
    for (const auto& a : actions) {
        if (a.scheduled &&
            (MsiSetPropertyW(install, a.action, joined(data, a.data)) != ERROR_SUCCESS ||
             MsiDoActionW(install, a.action) != ERROR_SUCCESS))
            return L"the removal could not be scheduled";
    }
    MsiSetPropertyW(install, L"RemoveTreeStaged", staged);
    return nullptr;
}

// The name under which the removal from `staged` tells RemoveTreeRestart
// that a restart finishes it: a global atom named after the staging folder,
// whose random part nobody else knows.
static const wchar_t* restart_mark(const wchar_t* staged, wchar_t* mark) {
    const wchar_t* name = std::wcsrchr(staged, L'\\');
    std::wcsncpy(mark, name != nullptr ? name + 1 : staged, 200);
    mark[200] = L'\0';
    std::wcscat(mark, L".restart");
    return mark;
}

extern "C" __declspec(dllexport) UINT __stdcall RemoveTreeDecide(MSIHANDLE install) {
    static wchar_t folder[text_room], choice[text_room], silent[text_room], text[text_room],
        tools[text_room], level[text_room], line[text_room];
    property(install, L"REMOVETREE_FOLDER", folder);
    property(install, L"REMOVEDATA", choice);
    const wchar_t* decision = L"keep";
    const wchar_t* why = L"";
    if (!is_folder(folder)) {
        decision = L"absent";
        why = L"the folder is not there; nothing asked";
    } else if (std::wcscmp(choice, L"1") == 0) {
        decision = L"remove";
        why = L"REMOVEDATA=1";
    } else if (std::wcscmp(choice, L"0") == 0) {
        why = L"REMOVEDATA=0";
    } else {
        property(install, L"REMOVETREE_TEXT", text);
        int answer = ask_through_installer(install, text);
        if (answer == IDNO || answer == IDYES) {
            decision = answer == IDNO ? L"remove" : L"keep";
            why = answer == IDNO ? L"the answer was No" : L"the answer was Yes";
        } else {
            // Windows Installer showed no box: its user interface allows
            // none here (msiexec /qn, /passive), and the silent default holds.
            property(install, L"REMOVETREE_SILENT", silent);
            property(install, L"UILevel", level);
            decision = std::wcscmp(silent, L"remove") == 0 ? L"remove" : L"keep";
            why = joined(text, {L"nothing asked at this user interface level (UILevel ", level,
                                L"); REMOVETREE_SILENT is ", silent[0] ? silent : L"not set"});
        }
    }
    MsiSetPropertyW(install, L"RemoveTreeDecision", decision);
    log_through_installer(
        install, joined(line, {L"decided for ", folder, L": ", decision, L" (", why, L")"}));
    if (std::wcscmp(decision, L"remove") == 0) {
        property(install, L"REMOVETREEDIR", tools);
        if (const wchar_t* failed = schedule_removal(install, tools, folder))
            log_through_installer(install, joined(line, {failed, L"; ", folder, L" is kept"}));
    }
    return ERROR_SUCCESS;
}

// The two parts of the CustomActionData "<first>|<second>"; false when it
// is not of that form.
static bool data_parts(MSIHANDLE install, wchar_t* data, wchar_t*& first, wchar_t*& second) {
    property(install, L"CustomActionData", data);
    wchar_t* bar = std::wcschr(data, L'|');
    if (bar == nullptr)
        return false;
    *bar = L'\0';
    first = data;
    second = bar + 1;
    return first[0] != L'\0' && second[0] != L'\0';
}

extern "C" __declspec(dllexport) UINT __stdcall RemoveTreeStage(MSIHANDLE install) {
    static wchar_t data[text_room], line[text_room];
    wchar_t *tools, *staged;
    if (!data_parts(install, data, tools, staged))
        return ERROR_SUCCESS;
    if (const wchar_t* failed = stage_tools(tools, staged))
        log_through_installer(install, joined(line, {L"the tools are not ready: ", failed}));
    return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) UINT __stdcall RemoveTreeUnstage(MSIHANDLE install) {
    static wchar_t staged[text_room];
    property(install, L"CustomActionData", staged);
    if (staged[0] != L'\0')
        clear_staged_tools(staged);
    return ERROR_SUCCESS;
}

// Runs `program` on `settings` and waits for it.
static void run_tool(const wchar_t* program, const wchar_t* settings) {
    static wchar_t line[2 * text_room + 8];
    joined(line, {L"\"", program, L"\" \"", settings, L"\""});
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessW(program, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return;
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

// The result file's lines, in the code page, as one line: "<word>; <why>...".
static void read_result(const wchar_t* path, wchar_t* text) {
    text[0] = L'\0';
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    static char bytes[16384];
    DWORD got = 0;
    ReadFile(file, bytes, sizeof bytes - 1, &got, nullptr);
    CloseHandle(file);
    int length = MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(got), text,
                                     static_cast<int>(text_room - 1));
    text[length] = L'\0';
    // The lines after the word follow it after "; ".
    wchar_t* out = text;
    for (const wchar_t* in = text; *in != L'\0'; ++in) {
        if (*in == L'\r')
            continue;
        if (*in == L'\n') {
            if (in[1] != L'\0') {
                *out++ = L';';
                *out++ = L' ';
            }
            continue;
        }
        *out++ = *in;
    }
    *out = L'\0';
}

// Whether the result's first word is the one for "a restart finishes it".
static bool says_restart(const wchar_t* outcome) {
    std::size_t i = 0;
    for (; result_restart[i] != '\0'; ++i)
        if (outcome[i] != static_cast<wchar_t>(result_restart[i]))
            return false;
    return outcome[i] == L'\0' || outcome[i] == L';';
}

extern "C" __declspec(dllexport) UINT __stdcall RemoveTreeRun(MSIHANDLE install) {
    static wchar_t data[text_room], program[text_room], settings[text_room], result[text_room],
        outcome[text_room], line[text_room];
    wchar_t *staged, *folder;
    if (!data_parts(install, data, staged, folder))
        return ERROR_SUCCESS;
    HANDLE held = INVALID_HANDLE_VALUE;
    const wchar_t* refusal = L"a name is too long";
    if (staged_path(staged, staged_program, program, text_room) &&
        staged_path(staged, staged_settings, settings, text_room) &&
        staged_path(staged, staged_result, result, text_room))
        refusal = program_start_refusal(program, held);
    if (refusal != nullptr) {
        log_through_installer(install, joined(line, {folder,
                                                     L" is kept: remove_tree.exe is not "
                                                     L"started: ",
                                                     refusal}));
        return ERROR_SUCCESS;
    }
    if (start_settings_file(settings) && write_quoted_value(settings, L"to_kill", folder) &&
        write_quoted_value(settings, L"unwise_path", staged) &&
        write_quoted_value(settings, L"unwise_title", L"/rollback") &&
        write_quoted_value(settings, L"result_file", result)) {
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, settings);
        run_tool(program, settings);
    }
    CloseHandle(held);
    read_result(result, outcome);
    log_through_installer(
        install, joined(line, {L"result for ", folder, L": ", outcome[0] ? outcome : L"none"}));
    if (says_restart(outcome)) {
        wchar_t mark[216];
        GlobalAddAtomW(restart_mark(staged, mark));
        // Where the platform lets a deferred action ask for the restart itself.
        MsiSetMode(install, MSIRUNMODE_REBOOTATEND, TRUE);
    }
    clear_staged_tools(staged);
    return ERROR_SUCCESS;
}

// The same removal, as a plain deferred action, where rollback is disabled.
extern "C" __declspec(dllexport) UINT __stdcall RemoveTreeRunNow(MSIHANDLE install) {
    return RemoveTreeRun(install);
}

extern "C" __declspec(dllexport) UINT __stdcall RemoveTreeRestart(MSIHANDLE install) {
    static wchar_t staged[text_room];
    property(install, L"RemoveTreeStaged", staged);
    wchar_t mark[216];
    ATOM found = staged[0] != L'\0' ? GlobalFindAtomW(restart_mark(staged, mark)) : 0;
    if (found != 0) {
        GlobalDeleteAtom(found);
        MsiSetMode(install, MSIRUNMODE_REBOOTATEND, TRUE);
        log_through_installer(install, L"a restart finishes the removal");
    }
    return ERROR_SUCCESS;
}
