#include "kill_log.h"

#include "log_files.h"
#include "private_file.h"
#include "../target_check/file_identity.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>

// The log's output stream; it holds an open file only inside write_kill_log.
static std::FILE* kill_log_stream;

// The log this run wrote, held from its making until delete_kill_log, so
// that nobody else may open it for writing meanwhile; and what it is, so
// that only that file is deleted.
static HANDLE held_log = INVALID_HANDLE_VALUE;
static file_identity written_log;

bool ready_kill_log_name() {
    return set_aside(kill_log_path);
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

// Writes the four lines through the stream, which closes `file`.
static bool write_lines(HANDLE file, const char* to_kill) {
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
    return whole;
}

bool write_kill_log(const char* to_kill) {
    HANDLE file = create_private_file(kill_log_path);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    // A second handle to the same open file keeps its sharing (reading
    // alone) in force once the stream has closed its own.
    HANDLE process = GetCurrentProcess();
    BY_HANDLE_FILE_INFORMATION info;
    if (!DuplicateHandle(process, file, process, &held_log, 0, FALSE, DUPLICATE_SAME_ACCESS) ||
        !GetFileInformationByHandle(held_log, &info)) {
        CloseHandle(file);
        delete_kill_log();
        return false;
    }
    written_log = identity_of(info);
    if (!write_lines(file, to_kill)) {
        delete_kill_log();
        return false;
    }
    return true;
}

void delete_kill_log() {
    if (held_log == INVALID_HANDLE_VALUE)
        return;
    CloseHandle(held_log);
    held_log = INVALID_HANDLE_VALUE;
    HANDLE file = CreateFileW(kill_log_path, DELETE | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(file, &info) && same_identity(identity_of(info), written_log)) {
        FILE_DISPOSITION_INFO disposition = {TRUE};
        SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
    }
    CloseHandle(file);
}
