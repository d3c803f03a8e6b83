#include "kill_log.h"

#include <cstdio>

// The log's output stream; it holds an open file only inside write_kill_log.
static std::FILE* kill_log_stream;

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

void write_kill_log(const char* to_kill) {
    // Text mode, other processes may read and write, created or truncated.
    kill_log_stream = std::fopen(".\\KILL.LOG", "w");
    if (kill_log_stream == nullptr)
        return;
    write_line("***  Installation Started  ***");
    write_line("Title: ");
    write_line("Source: ");
    std::fputs("File Tree: ", kill_log_stream);
    std::fputs(to_kill, kill_log_stream);
    std::fputs("\\*.*", kill_log_stream);
    end_line();
    std::fclose(kill_log_stream);
    kill_log_stream = nullptr;
}
