#include "removal_log_reader.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

static const char tree_line_start[] = "File Tree: ";
static const char tree_line_end[] = "\\*.*";

// The whole log in memory, NUL-terminated; null when it cannot be read.
static char* read_whole_file(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    LARGE_INTEGER size;
    char* text = nullptr;
    DWORD got = 0;
    if (GetFileSizeEx(file, &size) && size.QuadPart < 64 * 1024 * 1024 &&
        (text = static_cast<char*>(std::malloc(static_cast<std::size_t>(size.QuadPart) + 1))) &&
        ReadFile(file, text, static_cast<DWORD>(size.QuadPart), &got, nullptr)) {
        text[got] = '\0';
    } else {
        std::free(text);
        text = nullptr;
    }
    CloseHandle(file);
    return text;
}

bool for_each_file_tree(const wchar_t* log_path, void (*found)(const char* tree)) {
    char* text = read_whole_file(log_path);
    if (text == nullptr)
        return false;
    const std::size_t start = sizeof tree_line_start - 1, end = sizeof tree_line_end - 1;
    for (char* line = text; *line != '\0';) {
        char* next = std::strchr(line, '\n');
        char* line_end = next != nullptr ? next : line + std::strlen(line);
        if (line_end > line && line_end[-1] == '\r')
            --line_end;
        std::size_t length = static_cast<std::size_t>(line_end - line);
        if (length >= start + end && std::memcmp(line, tree_line_start, start) == 0 &&
            std::memcmp(line_end - end, tree_line_end, end) == 0) {
            line_end[-static_cast<std::ptrdiff_t>(end)] = '\0';
            found(line + start);
        }
        if (next == nullptr)
            break;
        line = next + 1;
    }
    std::free(text);
    return true;
}
