#include "run_result.h"

#include "private_file.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

const char result_kept[] = "kept", result_refused[] = "refused", result_removed[] = "removed",
           result_restart[] = "restart", result_incomplete[] = "incomplete";

// The platform's "restart needed to finish", as UNWISE.EXE reports it.
static const unsigned long restart_needed = 3010;

const char* result_of_uninstaller(bool ran, unsigned long exit_status) {
    if (!ran)
        return result_incomplete;
    if (exit_status == 0)
        return result_removed;
    return exit_status == restart_needed ? result_restart : result_incomplete;
}

// Appends `text` to `out` (of `room` bytes, `used` filled) in the code page,
// each line ended by CR LF.
static void append_lines(const wchar_t* text, char* out, std::size_t room, std::size_t& used) {
    while (*text != L'\0') {
        const wchar_t* end = std::wcschr(text, L'\n');
        int length = static_cast<int>(end != nullptr ? end - text : std::wcslen(text));
        if (length > 0 && used + 2 < room) {
            int written =
                WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, length, out + used,
                                    static_cast<int>(room - used - 2), "?", nullptr);
            if (written > 0) {
                used += static_cast<std::size_t>(written);
                out[used++] = '\r';
                out[used++] = '\n';
            }
        }
        if (end == nullptr)
            break;
        text = end + 1;
    }
}

void write_run_result(const wchar_t* path, const char* result, const wchar_t* why) {
    if (std::wcscmp(path, L"n/a") == 0 || path[0] == L'\0')
        return;
    if (!set_aside(path))
        return;
    HANDLE file = create_private_file(path);
    if (file == INVALID_HANDLE_VALUE)
        return;
    static char text[16384];
    std::strcpy(text, result);
    std::strcat(text, "\r\n");
    std::size_t used = std::strlen(text);
    append_lines(why != nullptr ? why : L"", text, sizeof text, used);
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(used), &written, nullptr);
    CloseHandle(file);
}
