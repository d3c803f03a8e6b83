#include "run_and_wait.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#ifndef _WIN64
static_assert(sizeof(STARTUPINFOA) == 68, "the start-up record of 32-bit Windows");
#endif

void run_and_wait(const char* command_line) {
    // CreateProcessA may write into the command line, so it gets its own copy.
    std::size_t size = std::strlen(command_line) + 1;
    char* line = static_cast<char*>(std::malloc(size));
    if (line == nullptr)
        return;
    std::memcpy(line, command_line, size);

    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    BOOL started = CreateProcessA(nullptr, line, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS,
                                  nullptr, nullptr, &startup, &process);
    std::free(line);
    if (!started)
        return;

    // Poll briefly and rest between polls, so waiting costs next to no
    // processor time; the rest also follows the poll that sees the end.
    DWORD waited;
    do {
        waited = WaitForSingleObject(process.hProcess, 10);
        Sleep(500);
    } while (waited == WAIT_TIMEOUT);

    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}
