#include "settings_path.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

const wchar_t* command_tail(const wchar_t* command_line) {
    const wchar_t* p = command_line;
    if (*p == L'"') {
        ++p;
        while (*p != L'\0' && *p != L'"')
            ++p;
        if (*p == L'"')
            ++p;
    } else {
        while (*p > L' ')
            ++p;
    }
    while (*p != L'\0' && *p <= L' ')
        ++p;
    return p;
}

wchar_t* settings_path_from_tail(const wchar_t* tail) {
    const wchar_t* start = tail;
    std::size_t length;
    if (tail[0] == L'"') {
        start = tail + 1;
        const wchar_t* closing = std::wcschr(start, L'"');
        length =
            closing != nullptr ? static_cast<std::size_t>(closing - start) : std::wcslen(start);
    } else {
        length = std::wcslen(tail);
    }
    wchar_t* path = static_cast<wchar_t*>(std::malloc((length + 1) * sizeof(wchar_t)));
    if (path != nullptr) {
        std::memcpy(path, start, length * sizeof(wchar_t));
        path[length] = L'\0';
    }
    return path;
}
