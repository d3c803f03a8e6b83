// remove_tree_actions.dll: the two Windows Installer custom actions of the
// WiX drop-in (remove_tree.wxi), carried in the package's Binary table.
//
// RemoveTreeDecide (immediate, as the user, before the script is written)
// sets REMOVETREE_DECISION to "remove", "keep" or "absent":
//   - absent: REMOVETREE_FOLDER names no folder that is there;
//   - REMOVEDATA=1 removes and REMOVEDATA=0 keeps, whatever the UI;
//   - otherwise an uninstall without a full or reduced UI (UILevel 3 or
//     less: /qn, /qb, /passive) takes REMOVETREE_SILENT ("keep" unless the
//     author says "remove"), and one with it asks the user, who keeps the
//     folder with Yes, or with no answer at all.
// RemoveTreeRun (deferred, without impersonation: LocalSystem, or the
// elevated administrator) gets "<tools folder>|<folder>" as its
// CustomActionData, formatted when the script was written ("|" is in no
// path), writes remove_tree.ini into the tools folder, where only
// administrators may write, runs remove_tree.exe on it without a question
// and asks for a restart at the end when what is left goes then. Nothing
// the user could have changed since the question reaches it.
// Both always return success: no answer and no failure removes anything,
// and neither fails the uninstall.
#include "../settings_writer/settings_file.h"
#include "../../removal/question_place.h"
#include "../../removal/question_text.h"
#include "../../removal/run_result.h"
#include "../../startup/system_functions.h"

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

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

// The question, as remove_tree.exe asks it without an owner (Windows
// Installer's windows are no standard dialogs): in front of every window,
// and only where a user can see it. True only for the answer No.
static bool answered_no(const wchar_t* title, const wchar_t* text) {
    if (!question_can_be_seen())
        return false;
    wchar_t* caption = question_text(title);
    wchar_t* body = question_text(text);
    int answer = caption != nullptr && body != nullptr
                     ? message_box(nullptr, body, caption, question_style(false, false))
                     : 0;
    std::free(caption);
    std::free(body);
    return answer == IDNO;
}

extern "C" __declspec(dllexport) UINT __stdcall RemoveTreeDecide(MSIHANDLE install) {
    static wchar_t folder[text_room], title[text_room], text[text_room], choice[text_room],
        silent[text_room], level[text_room];
    property(install, L"REMOVETREE_FOLDER", folder);
    property(install, L"REMOVEDATA", choice);
    property(install, L"REMOVETREE_SILENT", silent);
    property(install, L"UILevel", level);
    const wchar_t* decision = L"keep";
    if (!is_folder(folder)) {
        decision = L"absent";
    } else if (std::wcscmp(choice, L"1") == 0) {
        decision = L"remove";
    } else if (std::wcscmp(choice, L"0") == 0) {
        decision = L"keep";
    } else if (std::wcstol(level, nullptr, 10) <= 3) {
        decision = std::wcscmp(silent, L"remove") == 0 ? L"remove" : L"keep";
    } else {
        property(install, L"REMOVETREE_TITLE", title);
        property(install, L"REMOVETREE_TEXT", text);
        if (answered_no(title, text))
            decision = L"remove";
    }
    MsiSetPropertyW(install, L"REMOVETREE_DECISION", decision);
    return ERROR_SUCCESS;
}

// Runs `program` on `settings` and waits for it.
static void run_tool(const wchar_t* program, const wchar_t* settings) {
    static wchar_t line[2 * text_room + 8];
    std::wcscpy(line, L"\"");
    std::wcscat(line, program);
    std::wcscat(line, L"\" \"");
    std::wcscat(line, settings);
    std::wcscat(line, L"\"");
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

// Whether the result file says that a restart finishes the removal.
static bool restart_needed(const wchar_t* result) {
    HANDLE file = CreateFileW(result, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    char word[16] = "";
    DWORD got = 0;
    ReadFile(file, word, sizeof word - 1, &got, nullptr);
    CloseHandle(file);
    word[got] = '\0';
    std::size_t length = std::strlen(result_restart);
    return std::strncmp(word, result_restart, length) == 0 && word[length] == '\r';
}

extern "C" __declspec(dllexport) UINT __stdcall RemoveTreeRun(MSIHANDLE install) {
    static wchar_t data[text_room], tools[text_room], settings[text_room], result[text_room],
        program[text_room];
    property(install, L"CustomActionData", data);
    wchar_t* folder = std::wcschr(data, L'|');
    if (folder == nullptr || std::wcslen(data) + 32 >= text_room)
        return ERROR_SUCCESS;
    *folder++ = L'\0';
    std::wcscpy(tools, data);
    std::size_t length = std::wcslen(tools);
    if (length > 3 && tools[length - 1] == L'\\')
        tools[--length] = L'\0';
    std::wcscpy(settings, tools);
    std::wcscat(settings, L"\\remove_tree.ini");
    std::wcscpy(result, tools);
    std::wcscat(result, L"\\remove_tree.result");
    std::wcscpy(program, tools);
    std::wcscat(program, L"\\remove_tree.exe");
    DeleteFileW(result);
    if (is_folder(folder) && start_settings_file(settings) &&
        write_quoted_value(settings, L"to_kill", folder) &&
        write_quoted_value(settings, L"unwise_path", tools) &&
        write_quoted_value(settings, L"unwise_title", L"/rollback") &&
        write_quoted_value(settings, L"result_file", result)) {
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, settings);
        run_tool(program, settings);
        if (restart_needed(result))
            MsiSetMode(install, MSIRUNMODE_REBOOTATEND, TRUE);
    }
    DeleteFileW(settings);
    DeleteFileW(result);
    return ERROR_SUCCESS;
}
