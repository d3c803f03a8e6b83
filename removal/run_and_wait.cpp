#include "run_and_wait.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

#ifndef _WIN64
static_assert(sizeof(STARTUPINFOW) == 68, "the start-up record of 32-bit Windows");
#endif

// What the program's standard output holds so far, added to `report` (of
// `room` bytes, `used` of them filled) as far as it fits. Never waits.
static void take_report(HANDLE pipe, char* report, std::size_t room, std::size_t& used) {
    DWORD waiting = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0) {
        char chunk[4096];
        DWORD got = 0;
        if (!ReadFile(pipe, chunk, waiting < sizeof chunk ? waiting : sizeof chunk, &got,
                      nullptr) ||
            got == 0)
            return;
        std::size_t kept = got < room - used ? got : room - used;
        std::memcpy(report + used, chunk, kept);
        used += kept;
    }
}

bool run_and_wait(const wchar_t* command_line, unsigned long& exit_status, wchar_t* report,
                  std::size_t room) {
    exit_status = 0;
    report[0] = L'\0';
    // CreateProcessW may write into the command line, so it gets its own copy.
    std::size_t size = (std::wcslen(command_line) + 1) * sizeof(wchar_t);
    wchar_t* line = static_cast<wchar_t*>(std::malloc(size));
    if (line == nullptr)
        return false;
    std::memcpy(line, command_line, size);

    // The program's standard output is a pipe whose writing end alone it
    // inherits; its standard input and error are none.
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE reading = nullptr, writing = nullptr;
    bool piped = CreatePipe(&reading, &writing, &inherited, 65536) &&
                 SetHandleInformation(reading, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    if (piped) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writing;
    }
    PROCESS_INFORMATION process;
    BOOL started = CreateProcessW(nullptr, line, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS,
                                  nullptr, nullptr, &startup, &process);
    std::free(line);
    if (writing != nullptr)
        CloseHandle(writing);
    if (!started) {
        if (reading != nullptr)
            CloseHandle(reading);
        return false;
    }

    // Poll briefly and rest between polls, so waiting costs next to no
    // processor time; the rest also follows the poll that sees the end.
    static char bytes[16384];
    std::size_t used = 0, byte_room = sizeof bytes;
    DWORD waited;
    do {
        waited = WaitForSingleObject(process.hProcess, 10);
        if (piped)
            take_report(reading, bytes, byte_room, used);
        Sleep(500);
    } while (waited == WAIT_TIMEOUT);
    if (piped) {
        take_report(reading, bytes, byte_room, used);
        CloseHandle(reading);
    }
    int length = used > 0 ? MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(used), report,
                                                static_cast<int>(room - 1))
                          : 0;
    report[length > 0 ? length : 0] = L'\0';

    DWORD status = 0;
    bool ended = GetExitCodeProcess(process.hProcess, &status) != FALSE;
    exit_status = status;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ended;
}
