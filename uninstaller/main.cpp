// UNWISE.EXE: removes the file trees named in a removal log.
//   UNWISE.EXE [/S] [other switches] LOG
// /S: silent, no window at all; otherwise one message box at the end says what
// was removed, what is scheduled for the next restart and what had to be
// left. Exit status 0 when every named tree is gone, 3010 (a restart will
// finish the removal) when what is left is only scheduled, 1 otherwise (also
// when the log cannot be read).
#include "removal_log_reader.h"
#include "../removal/log_files.h"
#include "tree_removal.h"
#include "../startup/safe_start.h"
#include "../startup/system_functions.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>

static kept_entries keep;
static removal_tally tally;
static wchar_t trees_text[4096]; // the trees named, for the report
static unsigned trees_named, trees_unlisted;

// Adds "    <name><after>" as a line of the report's list of trees, or
// counts it among those the list has no room for.
static void list_tree(const wchar_t* name, const wchar_t* after) {
    std::size_t room = sizeof trees_text / sizeof trees_text[0] - std::wcslen(trees_text);
    if (std::wcslen(name) + std::wcslen(after) + 6 > room) {
        ++trees_unlisted;
        return;
    }
    std::wcscat(trees_text, L"    ");
    std::wcscat(trees_text, name);
    std::wcscat(trees_text, after);
    std::wcscat(trees_text, L"\n");
}

static void remove_named_tree(const char* tree) {
    ++trees_named;
    // The log is 8-bit text in the code page; each name is converted once,
    // exactly (a byte the code page does not define is not guessed at).
    static wchar_t wide[32768];
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, tree, -1, wide, 32768) == 0) {
        ++tally.left;
        list_tree(L"(a name the code page cannot read)", L": left");
        return;
    }
    list_tree(wide, L"");
    remove_file_tree(wide, keep, tally);
}

// Appends `before`, the number and `after` to `text`.
static void append_count(wchar_t* text, const wchar_t* before, unsigned count,
                         const wchar_t* after) {
    wchar_t digits[16];
    std::wcscat(text, before);
    std::wcscat(text, _ultow(count, digits, 10));
    std::wcscat(text, after);
}

static void report(bool log_read, const wchar_t* log_path) {
    static wchar_t text[16384];
    text[0] = L'\0';
    if (!log_read) {
        std::wcscpy(text, L"The removal log ");
        std::wcsncat(text, log_path, 1000);
        std::wcscat(text, L" could not be read. Nothing was removed.");
    } else {
        append_count(text, L"Removed ", tally.files_removed, L" files and ");
        append_count(text, L"", tally.folders_removed, L" folders from:\n");
        std::wcscat(text, trees_named > 0 ? trees_text : L"    (the log names no file tree)\n");
        if (trees_unlisted > 0)
            append_count(text, L"    and ", trees_unlisted, L" more\n");
    }
    if (tally.noted > 0) {
        std::wcscat(text, tally.left > 0 ? L"\nLeft in place:\n"
                                         : L"\nScheduled for removal at the next restart:\n");
        std::wcscat(text, tally.notes);
        if (tally.noted > 20)
            append_count(text, L"    and ", tally.noted - 20, L" more\n");
    }
    bool clean = log_read && tally.left == 0 && tally.scheduled == 0;
    message_box(nullptr, text, L"Uninstall", MB_OK | (clean ? MB_ICONINFORMATION : MB_ICONWARNING));
}

// Tells whoever started this program, on its standard output when it has
// one (remove_tree.exe reads it through a pipe), what was left or scheduled,
// a line each, in UTF-8: the same entries the report lists.
static void tell_what_remains(bool log_read) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE)
        return;
    static wchar_t text[sizeof tally.notes / sizeof tally.notes[0] + 128];
    text[0] = L'\0';
    if (!log_read)
        std::wcscpy(text, L"the removal log could not be read\n");
    for (const wchar_t* line = tally.notes; *line != L'\0';) {
        while (*line == L' ')
            ++line;
        const wchar_t* end = std::wcschr(line, L'\n');
        std::size_t length =
            end != nullptr ? static_cast<std::size_t>(end - line + 1) : std::wcslen(line);
        std::wcsncat(text, line, length);
        line += length;
    }
    if (tally.noted > 20)
        append_count(text, L"and ", tally.noted - 20, L" more\n");
    if (text[0] == L'\0')
        return;
    static char bytes[sizeof text / sizeof text[0] * 3];
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof bytes, nullptr, nullptr);
    DWORD written = 0;
    if (length > 1)
        WriteFile(out, bytes, static_cast<DWORD>(length - 1), &written, nullptr);
}

// What is kept is known by what it is, so no spelling of the tree (a short
// name, another case) reaches it. The claim remove_tree.exe holds on the log
// while this program runs is the log's name with ".lock" after it.
static void know_kept_entries(const wchar_t* log_path) {
    static wchar_t program[32768], claim[32768];
    DWORD length = GetModuleFileNameW(nullptr, program, 32768);
    keep.program_known = length > 0 && length < 32768 && identity_of_path(program, keep.program);
    keep.current_directory_known = identity_of_path(L".", keep.current_directory);
    keep.log_known = log_path != nullptr && identity_of_path(log_path, keep.log);
    keep.claim_known = false;
    if (log_path != nullptr && std::wcslen(log_path) < 32760) {
        std::wcscpy(claim, log_path);
        std::wcscat(claim, claim_suffix);
        keep.claim_known = identity_of_path(claim, keep.claim);
    }
}

static int run(const wchar_t* command_line) {
    // Names come as the platform holds them, not squeezed into the code page.
    int count = 0;
    wchar_t** arguments = command_line_to_argv(command_line, &count);
    bool silent = false;
    const wchar_t* log_path = nullptr;
    for (int i = 1; arguments != nullptr && i < count; ++i) {
        const wchar_t* argument = arguments[i];
        if (argument[0] == L'/')
            silent |= std::wcscmp(argument, L"/S") == 0 || std::wcscmp(argument, L"/s") == 0;
        else
            log_path = argument;
    }
    know_kept_entries(log_path);

    bool log_read = log_path != nullptr && for_each_file_tree(log_path, remove_named_tree);
    if (!silent)
        report(log_read, log_path != nullptr ? log_path : L"(none given)");
    tell_what_remains(log_read);
    if (!log_read || tally.left > 0)
        return 1;
    return tally.scheduled > 0 ? 3010 : 0;
}

// The program's entry.
extern "C" int program_entry() {
    start_safely();
    ExitProcess(static_cast<UINT>(run(GetCommandLineW())));
}
