#include "run_and_wait.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

#ifndef _WIN64
static_assert(sizeof(STARTUPINFOW) == 68, "the start-up record of 32-bit Windows");
#endif

bool run_and_wait(const wchar_t* command_line, unsigned long& exit_status) {
    exit_status = 0;
    // CreateProcessW may write into the command line, so it gets its own copy.
    std::size_t size = (std::wcslen(command_line) + 1) * sizeof(wchar_t);
    wchar_t* line = static_cast<wchar_t*>(std::malloc(size));
    if (line == nullptr)
        return false;
    std::memcpy(line, command_line, size);

    STARTUPINFOW startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    BOOL started = CreateProcessW(nullptr, line, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS,
                                  nullptr, nullptr, &startup, &process);
    std::free(line);
    if (!started)
        return false;

    // Poll briefly and rest between polls, so waiting costs next to no
    // processor time; the rest also follows the poll that sees the end.
    DWORD waited;
    do {
        waited = WaitForSingleObject(process.hProcess, 10);
        Sleep(500);
    } while (waited == WAIT_TIMEOUT);

    DWORD status = 0;
    bool ended = GetExitCodeProcess(process.hProcess, &status) != FALSE;
    exit_status = status;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ended;
}
