#include "run_result.h"

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

void write_run_result(const wchar_t* path, const char* result) {
    if (std::wcscmp(path, L"n/a") == 0 || path[0] == L'\0')
        return;
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    char line[32];
    std::strcpy(line, result);
    std::strcat(line, "\r\n");
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    CloseHandle(file);
}
