#include "settings_path.h"

#include <cstdlib>
#include <cstring>

char* settings_path_from_tail(const char* tail) {
    const char* start = tail;
    std::size_t length;
    if (tail[0] == '"') {
        start = tail + 1;
        const char* closing = std::strchr(start, '"');
        length =
            closing != nullptr ? static_cast<std::size_t>(closing - start) : std::strlen(start);
    } else {
        length = std::strlen(tail);
    }
    char* path = static_cast<char*>(std::malloc(length + 1));
    if (path != nullptr) {
        std::memcpy(path, start, length);
        path[length] = '\0';
    }
    return path;
}
