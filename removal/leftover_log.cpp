#include "leftover_log.h"

#include <windows.h>

static const char kill_log_path[] = ".\\KILL.LOG";

// Renames the leftover itself, never what it leads to; an existing name of
// the same kind is not replaced.
static bool set_aside(HANDLE leftover) {
    CloseHandle(leftover);
    char aside[64];
    wsprintfA(aside, ".\\KILL.LOG.%lu.old", GetCurrentProcessId());
    return MoveFileExA(kill_log_path, aside, 0) != FALSE;
}

bool ready_kill_log_name() {
    HANDLE leftover =
        CreateFileA(kill_log_path, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (leftover == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;

    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(leftover, &info)) {
        CloseHandle(leftover);
        return false;
    }
    if ((info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        info.nNumberOfLinks != 1)
        return set_aside(leftover);

    // A plain file: a read-only one could not be opened for writing. The
    // attribute is changed through the handle inspected, not the name.
    bool ready = true;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
        FILE_BASIC_INFO basic = {};
        basic.FileAttributes = info.dwFileAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        if (basic.FileAttributes == 0)
            basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        ready = SetFileInformationByHandle(leftover, FileBasicInfo, &basic, sizeof basic) != FALSE;
    }
    CloseHandle(leftover);
    return ready;
}
