// Stands in for UNWISE.EXE in the end-to-end tests. It copies .\KILL.LOG as it
// finds it to .\seen_kill_log, optionally runs for RECORDING_UNINSTALLER_SECONDS
// and ends with the status RECORDING_UNINSTALLER_EXIT (0 without it),
// and at its end writes .\uninstaller_record.txt: its command line, current
// directory, the inherited REMOVE_TREE_PROBE value, whether the log was still
// there, and the time it ended (100 ns units).
#include <windows.h>

#include <cstdio>
#include <cstdlib>

static void copy_log_as_found() {
    HANDLE log = CreateFileA(".\\KILL.LOG", GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (log == INVALID_HANDLE_VALUE)
        return;
    std::FILE* seen = std::fopen(".\\seen_kill_log", "wb");
    char chunk[4096];
    DWORD got;
    while (seen != nullptr && ReadFile(log, chunk, sizeof chunk, &got, nullptr) && got > 0)
        std::fwrite(chunk, 1, got, seen);
    if (seen != nullptr)
        std::fclose(seen);
    CloseHandle(log);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    copy_log_as_found();

    char value[64] = "";
    if (GetEnvironmentVariableA("RECORDING_UNINSTALLER_SECONDS", value, sizeof value) > 0)
        Sleep(static_cast<DWORD>(std::atoi(value)) * 1000);

    char directory[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof directory, directory);
    char probe[256] = "";
    GetEnvironmentVariableA("REMOVE_TREE_PROBE", probe, sizeof probe);
    bool log_at_end = GetFileAttributesA(".\\KILL.LOG") != INVALID_FILE_ATTRIBUTES;

    std::FILE* record = std::fopen(".\\uninstaller_record.txt", "wb");
    if (record == nullptr)
        return 1;
    std::fprintf(record, "command_line=%s\n", GetCommandLineA());
    std::fprintf(record, "current_directory=%s\n", directory);
    std::fprintf(record, "probe=%s\n", probe);
    std::fprintf(record, "log_at_end=%d\n", log_at_end ? 1 : 0);
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    unsigned long long ended =
        (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    std::fprintf(record, "ended_at=%llu\n", ended);
    std::fclose(record);
    char status[16] = "0";
    GetEnvironmentVariableA("RECORDING_UNINSTALLER_EXIT", status, sizeof status);
    return std::atoi(status);
}
