// UNWISE.EXE: removes the file trees named in a removal log.
//   UNWISE.EXE [/S] [other switches] LOG
// /S: silent, no window at all; otherwise one message box at the end says what
// was removed, what is scheduled for the next restart and what had to be
// left. Exit status 0 when every named tree is gone, 3010 (a restart will
// finish the removal) when what is left is only scheduled, 1 otherwise (also
// when the log cannot be read).
#include "removal_log_reader.h"
#include "tree_removal.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

static protected_paths keep;
static removal_tally tally;
static wchar_t trees_text[4096]; // the trees named, for the report
static unsigned trees_named;

static void remove_named_tree(const char* tree) {
    ++trees_named;
    wchar_t wide[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, tree, -1, wide, MAX_PATH) == 0)
        std::wcscpy(wide, L"(a long name)");
    std::size_t used = std::wcslen(trees_text);
    if (used + std::wcslen(wide) + 6 < sizeof trees_text / sizeof trees_text[0]) {
        std::wcscat(trees_text, L"    ");
        std::wcscat(trees_text, wide);
        std::wcscat(trees_text, L"\n");
    }
    remove_file_tree(tree, keep, tally);
}

static void report(bool log_read, const char* log_path) {
    static wchar_t text[16384];
    if (!log_read) {
        wchar_t log[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, log_path, -1, log, MAX_PATH);
        wsprintfW(text, L"The removal log %s could not be read. Nothing was removed.", log);
    } else {
        wsprintfW(text, L"Removed %u files and %u folders from:\n", tally.files_removed,
                  tally.folders_removed);
        std::wcscat(text, trees_named > 0 ? trees_text : L"    (the log names no file tree)\n");
    }
    if (tally.noted > 0) {
        std::wcscat(text, tally.left > 0 ? L"\nLeft in place:\n"
                                         : L"\nScheduled for removal at the next restart:\n");
        std::wcscat(text, tally.notes);
        if (tally.noted > 20) {
            wchar_t more[64];
            wsprintfW(more, L"    and %u more\n", tally.noted - 20);
            std::wcscat(text, more);
        }
    }
    bool clean = log_read && tally.left == 0 && tally.scheduled == 0;
    MessageBoxW(nullptr, text, L"Uninstall", MB_OK | (clean ? MB_ICONINFORMATION : MB_ICONWARNING));
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    bool silent = false;
    const char* log_path = nullptr;
    for (int i = 1; i < __argc; ++i) {
        const char* argument = __argv[i];
        if (argument[0] == '/')
            silent |= std::strcmp(argument, "/S") == 0 || std::strcmp(argument, "/s") == 0;
        else
            log_path = argument;
    }

    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof folder, folder);
    long_full_path(folder, keep.current_directory, MAX_PATH + 8);
    char program[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, program, sizeof program);
    long_full_path(program, keep.program, MAX_PATH + 8);
    if (log_path != nullptr)
        long_full_path(log_path, keep.log, MAX_PATH + 8);

    bool log_read = log_path != nullptr && for_each_file_tree(log_path, remove_named_tree);
    if (!silent)
        report(log_read, log_path != nullptr ? log_path : "(none given)");
    if (!log_read || tally.left > 0)
        return 1;
    return tally.scheduled > 0 ? 3010 : 0;
}
