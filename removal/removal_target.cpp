#include "removal_target.h"

#include <cstring>

static bool is_separator(char c) {
    return c == '\\' || c == '/';
}

static bool is_letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Windows drops trailing dots and blanks from a name, so a name made only of
// them (or of tabs, which no name may hold) stays where it is, or, with two
// dots or more, leads up one level.
static int level_change(const char* name, std::size_t length) {
    std::size_t dots = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (name[i] == '.')
            ++dots;
        else if (name[i] != ' ' && name[i] != '\t')
            return 1;
    }
    return dots >= 2 ? -1 : 0;
}

bool names_volume_root(const char* path) {
    const char* p = path;
    int root_names = 0; // leading names that belong to the root: server and share
    if (is_separator(p[0]) && is_separator(p[1])) {
        if ((p[2] == '?' || p[2] == '.') && is_separator(p[3])) {
            p += 4;
            if (std::strncmp(p, "UNC", 3) == 0 && is_separator(p[3])) {
                p += 4;
                root_names = 2;
            }
        } else {
            p += 2;
            root_names = 2;
        }
    }
    if (root_names == 0 && is_letter(p[0]) && p[1] == ':')
        p += 2;

    int depth = 0;
    while (*p != '\0') {
        if (is_separator(*p)) {
            ++p;
            continue;
        }
        const char* name = p;
        while (*p != '\0' && !is_separator(*p))
            ++p;
        if (root_names > 0) {
            --root_names;
            continue;
        }
        depth += level_change(name, static_cast<std::size_t>(p - name));
        if (depth < 0)
            depth = 0;
    }
    return depth == 0;
}
