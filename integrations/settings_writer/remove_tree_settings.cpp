// remove_tree_settings.exe: writes the settings file of remove_tree.exe for
// an installer that can start a program but has no safe way to write a
// UTF-16 file itself (Windows Installer's EXE custom actions, Inno Setup's
// Exec), and deletes it again afterwards.
//   remove_tree_settings.exe "FILE" "key=value" ...   writes FILE anew
//   remove_tree_settings.exe /delete "FILE"            deletes FILE
// FILE is written in UTF-16 with its byte-order mark first, so that no
// character of a value is cut or changed on its way, and each key goes into
// section [Strings] in the order given, in double quotes (which the profile
// reader drops, keeping blanks at either end). An argument in double quotes
// runs to the next lone double quote, backslashes included
// (`"to_kill=[INSTALLDIR]"` ends in `\"`); two double quotes within it stand
// for one (`"body=Click ""Yes"" to keep them."`). In `title` and `body` a
// line break (CR LF, CR or LF) becomes U+2028, which remove_tree.exe shows
// as a line break; any other value loses a trailing backslash unless it is
// a drive's root. Exit status 0 when done, 1 otherwise.
#include "settings_file.h"
#include "../../removal/settings_path.h"
#include "../../startup/safe_start.h"

#include <windows.h>

// The next argument of `line`, NUL-terminated in place; null at the end.
// Within double quotes, two double quotes stand for one.
static wchar_t* next_argument(wchar_t*& line) {
    while (*line == L' ' || *line == L'\t')
        ++line;
    if (*line == L'\0')
        return nullptr;
    wchar_t* argument = line;
    wchar_t* out = line;
    if (*line != L'"') {
        while (*line != L'\0' && *line != L' ' && *line != L'\t')
            ++line;
        if (*line != L'\0')
            *line++ = L'\0';
        return argument;
    }
    argument = out = ++line;
    for (;;) {
        if (*line == L'\0')
            break;
        if (*line == L'"') {
            if (line[1] != L'"') {
                ++line;
                break;
            }
            ++line;
        }
        *out++ = *line++;
    }
    *out = L'\0';
    return argument;
}

// The question's caption and text keep their line breaks as U+2028, the one
// way through a one-line settings value.
static void line_breaks_to_separators(wchar_t* value) {
    wchar_t* out = value;
    for (wchar_t* in = value; *in != L'\0'; ++in) {
        if (*in == L'\r' && in[1] == L'\n')
            ++in;
        *out++ = *in == L'\r' || *in == L'\n' ? static_cast<wchar_t>(0x2028) : *in;
    }
    *out = L'\0';
}

static bool is_text_key(const wchar_t* key) {
    return lstrcmpiW(key, L"title") == 0 || lstrcmpiW(key, L"body") == 0;
}

// Drops a trailing backslash, as a folder's property ends in one.
static void drop_trailing_separator(wchar_t* value) {
    int length = lstrlenW(value);
    if (length > 3 && value[length - 1] == L'\\')
        value[length - 1] = L'\0';
}

static int write_settings(const wchar_t* path, wchar_t* rest) {
    if (!start_settings_file(path))
        return 1;
    while (wchar_t* argument = next_argument(rest)) {
        wchar_t* value = argument;
        while (*value != L'\0' && *value != L'=')
            ++value;
        if (*value != L'=' || value == argument)
            return 1;
        *value++ = L'\0';
        if (is_text_key(argument))
            line_breaks_to_separators(value);
        else
            drop_trailing_separator(value);
        if (!write_quoted_value(path, argument, value))
            return 1;
    }
    // The platform may keep what it wrote in a cache of its own until the
    // process ends; the file is put on disk now, before the installer
    // starts remove_tree.exe on it.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path);
    return 0;
}

static int run(wchar_t* line) {
    wchar_t* first = next_argument(line);
    if (first == nullptr)
        return 1;
    if (lstrcmpW(first, L"/delete") == 0) {
        wchar_t* path = next_argument(line);
        return path != nullptr && (DeleteFileW(path) || GetLastError() == ERROR_FILE_NOT_FOUND) ? 0
                                                                                                : 1;
    }
    return write_settings(first, line);
}

// The program's entry: the command line in UTF-16, past the program's name.
extern "C" int program_entry() {
    start_safely();
    ExitProcess(static_cast<UINT>(run(const_cast<wchar_t*>(command_tail(GetCommandLineW())))));
}
