#include "kill_log.h"

#include "log_files.h"
#include "../target_check/file_identity.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

// The log's output stream; it holds an open file only inside write_kill_log.
static std::FILE* kill_log_stream;

// Which file write_kill_log wrote, so that only that one is deleted.
static file_identity written_log;
static bool log_written;

// A file this run may write or delete: one name only, no link of any kind.
static bool is_plain_file(const BY_HANDLE_FILE_INFORMATION& info) {
    return (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ==
               0 &&
           info.nNumberOfLinks == 1;
}

// Renames the leftover itself, never what it leads to; an existing name of
// the same kind is not replaced.
static bool set_aside(HANDLE leftover) {
    CloseHandle(leftover);
    char aside[64];
    std::strcpy(aside, kill_log_aside_prefix);
    _ultoa(GetCurrentProcessId(), aside + std::strlen(aside), 10);
    std::strcat(aside, ".old");
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
    if (!is_plain_file(info))
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

// Ends the current line (CR LF in text mode) and flushes it to the file, so
// every finished line is on disk at once.
static void end_line() {
    std::fputc('\n', kill_log_stream);
    std::fflush(kill_log_stream);
}

static void write_line(const char* text) {
    std::fputs(text, kill_log_stream);
    end_line();
}

// Opens the log for writing, truncated, without following a link: the
// handle is checked, not the name, so nothing can be swapped in between.
static HANDLE open_log_for_writing(BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE file =
        CreateFileA(kill_log_path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return file;
    if (!GetFileInformationByHandle(file, &info) || !is_plain_file(info) || !SetEndOfFile(file)) {
        CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

bool write_kill_log(const char* to_kill) {
    log_written = false;
    BY_HANDLE_FILE_INFORMATION info;
    HANDLE file = open_log_for_writing(info);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    // Text mode, so each line ends in CR LF.
    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_TEXT);
    if (descriptor == -1) {
        CloseHandle(file);
        return false;
    }
    kill_log_stream = _fdopen(descriptor, "w");
    if (kill_log_stream == nullptr) {
        _close(descriptor);
        return false;
    }
    write_line("***  Installation Started  ***");
    write_line("Title: ");
    write_line("Source: ");
    std::fputs("File Tree: ", kill_log_stream);
    std::fputs(to_kill, kill_log_stream);
    std::fputs("\\*.*", kill_log_stream);
    end_line();
    bool whole = !std::ferror(kill_log_stream);
    whole &= std::fclose(kill_log_stream) == 0;
    kill_log_stream = nullptr;
    if (whole) {
        written_log = identity_of(info);
        log_written = true;
    }
    return whole;
}

void delete_kill_log() {
    if (!log_written)
        return;
    HANDLE file = CreateFileA(kill_log_path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(file, &info) && is_plain_file(info) &&
        same_identity(identity_of(info), written_log)) {
        FILE_DISPOSITION_INFO disposition = {TRUE};
        SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
    }
    CloseHandle(file);
}
