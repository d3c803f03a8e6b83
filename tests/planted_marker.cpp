// A DLL planted under the name of a system DLL: when any program loads it,
// it appends "<its own path> in <the program's path>" to the UTF-16 file
// that PLANTED_DLL_LOG names, and does nothing else.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
    wchar_t log[MAX_PATH], line[2 * MAX_PATH + 8], program[MAX_PATH];
    if (reason != DLL_PROCESS_ATTACH || !GetEnvironmentVariableW(L"PLANTED_DLL_LOG", log, MAX_PATH))
        return TRUE;
    GetModuleFileNameW(self, line, MAX_PATH);
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    lstrcatW(line, L" in ");
    lstrcatW(line, program);
    lstrcatW(line, L"\r\n");
    HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(lstrlenW(line)) * sizeof(wchar_t), &written, nullptr);
    CloseHandle(file);
    return TRUE;
}
