#include "target_check.h"

#include <windows.h>

static bool is_separator(char c) {
    return c == '\\' || c == '/';
}

static bool is_ascii_letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The next character: a double-byte character of the code page is taken
// whole, so that its second byte is never read as a separator or a colon.
static const char* next_char(const char* p) {
    if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0')
        return p + 2;
    return p + 1;
}

// `text` begins with `word` (upper-case ASCII), in any case.
static bool begins_with_word(const char* text, const char* word) {
    for (; *word != '\0'; ++text, ++word) {
        char c = *text;
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != *word)
            return false;
    }
    return true;
}

// `\\?\` or `\\.\`, with either separator: the platform's long-path and
// device prefixes.
static bool has_long_prefix(const char* p) {
    return is_separator(p[0]) && is_separator(p[1]) && (p[2] == '?' || p[2] == '.') &&
           is_separator(p[3]);
}

// A drive designator: any one character and a colon, as Windows reads it.
static bool has_drive(const char* p) {
    return p[0] != '\0' && !is_separator(p[0]) && p[1] == ':';
}

// Windows drops trailing dots and blanks from a name, so a name made only of
// them (or of tabs) stays where it is, or, with two dots or more, leads up
// one level.
static int level_change(const char* name, const char* end) {
    int dots = 0;
    for (const char* p = name; p < end; ++p) {
        if (*p == '.')
            ++dots;
        else if (*p != ' ' && *p != '\t')
            return 1;
    }
    return dots >= 2 ? -1 : 0;
}

static const char* name_end(const char* p) {
    while (*p != '\0' && !is_separator(*p))
        p = next_char(p);
    return p;
}

// The server or share name of a UNC root: it must follow its separator at
// once and be a real name. Returns where it ends, or null.
static const char* root_name_end(const char* p) {
    const char* end = name_end(p);
    if (end == p || level_change(p, end) != 1)
        return nullptr;
    return end;
}

// Where the `server\share` of a UNC root, starting at `p`, ends; null when
// either name is missing or no real name.
static const char* share_root_end(const char* p) {
    const char* server_end = root_name_end(p);
    if (server_end == nullptr || !is_separator(*server_end))
        return nullptr;
    return root_name_end(server_end + 1);
}

bool names_volume_root(const char* path) {
    const char* p = path;
    if (is_separator(p[0]) && p[1] == '?' && p[2] == '?' && is_separator(p[3]))
        return true; // the object manager's own namespace
    bool unc = false;
    if (has_long_prefix(p)) {
        p += 4;
        if (begins_with_word(p, "UNC") && is_separator(p[3])) {
            p += 4;
            unc = true;
        } else if (has_drive(p) && (p[2] == '\0' || is_separator(p[2]))) {
            p += 2;
        } else {
            return true; // a device or volume namespace, or no drive at all
        }
    } else if (is_separator(p[0]) && is_separator(p[1])) {
        p += 2;
        unc = true;
    } else if (has_drive(p)) {
        p += 2;
    }
    if (unc && (p = share_root_end(p)) == nullptr)
        return true;

    int depth = 0;
    while (*p != '\0') {
        if (is_separator(*p)) {
            ++p;
            continue;
        }
        const char* end = name_end(p);
        depth += level_change(p, end);
        if (depth < 0)
            depth = 0;
        p = end;
    }
    return depth == 0;
}

bool holds_forbidden_character(const char* path) {
    const char* p = path;
    // Behind \\?\ the platform takes a slash as it stands, as part of a name.
    bool literal = false;
    if (has_long_prefix(p)) {
        literal = p[2] == '?';
        p += 4;
    }
    if (has_drive(p))
        p = next_char(p) + 1;
    for (; *p != '\0'; p = next_char(p)) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c < 32 || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|' ||
            c == ':' || (literal && c == '/'))
            return true;
    }
    return false;
}

// A full path as GetFullPathNameA gives it is one folder below a root:
// `X:\name...` with a letter for X, or `\\server\share\name...`, either
// perhaps behind `\\?\` (`\\?\UNC\server\share\name...`), with every name
// below the root a real one.
static bool is_folder_below_root(const char* full) {
    const char* p = full;
    bool unc = false;
    if (p[0] == '\\' && p[1] == '\\' && p[2] == '?' && p[3] == '\\') {
        p += 4;
        if (begins_with_word(p, "UNC") && p[3] == '\\') {
            p += 4;
            unc = true;
        }
    } else if (p[0] == '\\' && p[1] == '\\') {
        p += 2;
        unc = true;
    }
    if (unc) {
        p = share_root_end(p);
        if (p == nullptr || *p != '\\')
            return false;
        ++p;
    } else {
        if (!is_ascii_letter(p[0]) || p[1] != ':' || p[2] != '\\')
            return false;
        p += 3;
    }
    int names = 0;
    while (*p != '\0') {
        if (is_separator(*p)) {
            ++p;
            continue;
        }
        const char* end = name_end(p);
        if (level_change(p, end) != 1)
            return false;
        ++names;
        p = end;
    }
    return names > 0;
}

static bool same_file(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

static HANDLE open_for_identity(const char* path) {
    return CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The folder behind `opened` is the root folder at `root`.
static bool is_root_folder(const BY_HANDLE_FILE_INFORMATION& opened, const char* root) {
    HANDLE handle = open_for_identity(root);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    bool same = GetFileInformationByHandle(handle, &info) && same_file(opened, info);
    CloseHandle(handle);
    return same;
}

// `a` and `b` are the same path, but for case and trailing separators.
static bool same_path_text(const char* a, const char* b) {
    int length_a = lstrlenA(a), length_b = lstrlenA(b);
    while (length_a > 0 && is_separator(a[length_a - 1]))
        --length_a;
    while (length_b > 0 && is_separator(b[length_b - 1]))
        --length_b;
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a, length_a, b, length_b) ==
           CSTR_EQUAL;
}

// The existing folder at `full`, open as `handle`, is a volume's root or a
// mount point: by its name, or, through a link or junction, by what it is.
static bool is_volume_root_on_disk(const char* full, HANDLE handle) {
    static char volume[MAX_PATH + 1];
    if (!GetVolumePathNameA(full, volume, sizeof volume) || same_path_text(volume, full))
        return true;
    BY_HANDLE_FILE_INFORMATION opened;
    if (!GetFileInformationByHandle(handle, &opened))
        return true;
    if (is_root_folder(opened, volume))
        return true;
    char drives[4 * 26 + 1];
    DWORD length = GetLogicalDriveStringsA(sizeof drives, drives);
    if (length == 0 || length >= sizeof drives)
        return false;
    for (const char* drive = drives; *drive != '\0'; drive += lstrlenA(drive) + 1)
        if (is_root_folder(opened, drive))
            return true;
    return false;
}

// Errors that say the folder is not there to be removed.
static bool means_absent(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_BAD_NETPATH || error == ERROR_BAD_NET_NAME;
}

const char* removal_target_refusal(const char* path) {
    if (names_volume_root(path))
        return "names no single folder";
    if (holds_forbidden_character(path))
        return "holds a character no name may hold";

    // Room for the longest path the platform handles.
    static char full[32768];
    DWORD length = GetFullPathNameA(path, sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full)
        return "cannot be resolved";
    if (!is_folder_below_root(full))
        return "resolves to no folder below a root";

    HANDLE handle = open_for_identity(full);
    if (handle == INVALID_HANDLE_VALUE)
        return means_absent(GetLastError()) ? nullptr : "cannot be opened to be checked";
    bool root = is_volume_root_on_disk(full, handle);
    CloseHandle(handle);
    return root ? "is a volume root or mount point" : nullptr;
}
