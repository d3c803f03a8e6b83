#include "target_check.h"

#include "platform_folders.h"
#include "wow64_redirection.h"

static bool is_separator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

static bool is_ascii_letter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// `text` begins with `word` (upper-case ASCII), in any case.
static bool begins_with_word(const wchar_t* text, const wchar_t* word) {
    for (; *word != L'\0'; ++text, ++word) {
        wchar_t c = *text;
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
        if (c != *word)
            return false;
    }
    return true;
}

// `\\?\` or `\\.\`, with either separator: the platform's long-path and
// device prefixes.
static bool has_long_prefix(const wchar_t* p) {
    return is_separator(p[0]) && is_separator(p[1]) && (p[2] == L'?' || p[2] == L'.') &&
           is_separator(p[3]);
}

// A drive designator: any one character and a colon, as Windows reads it.
static bool has_drive(const wchar_t* p) {
    return p[0] != L'\0' && !is_separator(p[0]) && p[1] == L':';
}

// Windows drops trailing dots and blanks from a name, so a name made only of
// them (or of tabs) stays where it is, or, with two dots or more, leads up
// one level.
static int level_change(const wchar_t* name, const wchar_t* end) {
    int dots = 0;
    for (const wchar_t* p = name; p < end; ++p) {
        if (*p == L'.')
            ++dots;
        else if (*p != L' ' && *p != L'\t')
            return 1;
    }
    return dots >= 2 ? -1 : 0;
}

static const wchar_t* name_end(const wchar_t* p) {
    while (*p != L'\0' && !is_separator(*p))
        ++p;
    return p;
}

// Moves `p` past separators to the next name, which ends at `end`; false at
// the end of the path.
static bool next_name(const wchar_t*& p, const wchar_t*& end) {
    while (is_separator(*p))
        ++p;
    end = name_end(p);
    return *p != L'\0';
}

// The server or share name of a UNC root: it must follow its separator at
// once and be a real name. Returns where it ends, or null.
static const wchar_t* root_name_end(const wchar_t* p) {
    const wchar_t* end = name_end(p);
    if (end == p || level_change(p, end) != 1)
        return nullptr;
    return end;
}

// Where the `server\share` of a UNC root, starting at `p`, ends; null when
// either name is missing or no real name.
static const wchar_t* share_root_end(const wchar_t* p) {
    const wchar_t* server_end = root_name_end(p);
    if (server_end == nullptr || !is_separator(*server_end))
        return nullptr;
    return root_name_end(server_end + 1);
}

// Where the names below the root of `path` begin, past a drive, a share or a
// long-path prefix; null when the path is in a namespace that is no place
// below a root at all (a device, a volume, the object manager's own).
static const wchar_t* names_below_root(const wchar_t* path) {
    const wchar_t* p = path;
    if (is_separator(p[0]) && p[1] == L'?' && p[2] == L'?' && is_separator(p[3]))
        return nullptr; // the object manager's own namespace
    bool unc = false;
    if (has_long_prefix(p)) {
        p += 4;
        if (begins_with_word(p, L"UNC") && is_separator(p[3])) {
            p += 4;
            unc = true;
        } else if (has_drive(p) && (p[2] == L'\0' || is_separator(p[2]))) {
            p += 2;
        } else {
            return nullptr; // a device or volume namespace, or no drive at all
        }
    } else if (is_separator(p[0]) && is_separator(p[1])) {
        p += 2;
        unc = true;
    } else if (has_drive(p)) {
        p += 2;
    }
    if (unc)
        return share_root_end(p);
    return p;
}

bool names_volume_root(const wchar_t* path) {
    const wchar_t* p = names_below_root(path);
    if (p == nullptr)
        return true;
    int depth = 0;
    for (const wchar_t* end; next_name(p, end); p = end) {
        depth += level_change(p, end);
        if (depth < 0)
            depth = 0;
    }
    return depth == 0;
}

bool climbs_out_of_named_folder(const wchar_t* path) {
    const wchar_t* p = names_below_root(path);
    if (p == nullptr)
        return false; // names_volume_root refuses it
    // The last name that moves at all decides: a climb that follows a name
    // the value gave leaves that name's folder for its parent.
    bool named = false;
    int last_move = 0;
    for (const wchar_t* end; next_name(p, end); p = end) {
        int change = level_change(p, end);
        // A leading climb, before any name, is a relative value's start.
        if (change == 0 || (change < 0 && !named))
            continue;
        named |= change > 0;
        last_move = change;
    }
    return named && last_move < 0;
}

bool holds_forbidden_character(const wchar_t* path) {
    const wchar_t* p = path;
    // Behind \\?\ the platform takes a slash as it stands, as part of a name.
    bool literal = false;
    if (has_long_prefix(p)) {
        literal = p[2] == L'?';
        p += 4;
    }
    if (has_drive(p))
        p += 2;
    for (; *p != L'\0'; ++p) {
        wchar_t c = *p;
        if (c < 32 || c == L'*' || c == L'?' || c == L'"' || c == L'<' || c == L'>' || c == L'|' ||
            c == L':' || (literal && c == L'/'))
            return true;
    }
    return false;
}

// A full path as GetFullPathNameW gives it is one folder below a root:
// `X:\name...` with a letter for X, or `\\server\share\name...`, either
// perhaps behind `\\?\` (`\\?\UNC\server\share\name...`), with every name
// below the root a real one.
static bool is_folder_below_root(const wchar_t* full) {
    const wchar_t* p = full;
    bool unc = false;
    if (p[0] == L'\\' && p[1] == L'\\' && p[2] == L'?' && p[3] == L'\\') {
        p += 4;
        if (begins_with_word(p, L"UNC") && p[3] == L'\\') {
            p += 4;
            unc = true;
        }
    } else if (p[0] == L'\\' && p[1] == L'\\') {
        p += 2;
        unc = true;
    }
    if (unc) {
        p = share_root_end(p);
        if (p == nullptr || *p != L'\\')
            return false;
        ++p;
    } else {
        if (!is_ascii_letter(p[0]) || p[1] != L':' || p[2] != L'\\')
            return false;
        p += 3;
    }
    int names = 0;
    for (const wchar_t* end; next_name(p, end); p = end) {
        if (level_change(p, end) != 1)
            return false;
        ++names;
    }
    return names > 0;
}

// The folder behind `opened` is the root folder at `root`.
static bool is_root_folder(const file_identity& opened, const wchar_t* root) {
    file_identity identity;
    return identity_of_path(root, identity) && same_identity(opened, identity);
}

// `a` and `b` are the same path, but for case and trailing separators.
static bool same_path_text(const wchar_t* a, const wchar_t* b) {
    int length_a = lstrlenW(a), length_b = lstrlenW(b);
    while (length_a > 0 && is_separator(a[length_a - 1]))
        --length_a;
    while (length_b > 0 && is_separator(b[length_b - 1]))
        --length_b;
    return CompareStringOrdinal(a, length_a, b, length_b, TRUE) == CSTR_EQUAL;
}

// The existing folder at `full`, open with identity `opened`, is a volume's
// root or a mount point: by its name, or, through a link or junction, by
// what it is.
static bool is_volume_root_on_disk(const wchar_t* full, const file_identity& opened) {
    static wchar_t volume[32768];
    if (!GetVolumePathNameW(full, volume, 32768) || same_path_text(volume, full))
        return true;
    if (is_root_folder(opened, volume))
        return true;
    wchar_t drives[4 * 26 + 1];
    DWORD length = GetLogicalDriveStringsW(4 * 26 + 1, drives);
    if (length == 0 || length >= 4 * 26 + 1)
        return false;
    for (const wchar_t* drive = drives; *drive != L'\0'; drive += lstrlenW(drive) + 1)
        if (is_root_folder(opened, drive))
            return true;
    return false;
}

const wchar_t* opened_folder_refusal(HANDLE folder, const wchar_t* full) {
    file_identity opened;
    if (!identity_of_handle(folder, opened))
        return L"cannot be opened to be checked";
    if (is_volume_root_on_disk(full, opened))
        return L"is a volume root or mount point";
    return platform_folder_refusal(opened);
}

// Errors that say the folder is not there to be removed.
static bool means_absent(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_BAD_NETPATH || error == ERROR_BAD_NET_NAME;
}

const wchar_t* removal_target_refusal(const wchar_t* path) {
    if (names_volume_root(path))
        return L"names no single folder";
    if (holds_forbidden_character(path))
        return L"holds a character no name may hold";
    if (climbs_out_of_named_folder(path))
        return L"climbs out of a folder it names";

    // Room for the longest path the platform handles.
    static wchar_t full[32768];
    DWORD length = GetFullPathNameW(path, 32768, full, nullptr);
    if (length == 0 || length >= 32768)
        return L"cannot be resolved";
    if (!is_folder_below_root(full))
        return L"resolves to no folder below a root";
    if (redirector_changes(full))
        return L"means another folder to 32-bit programs (WOW64)";

    HANDLE folder = open_for_identity(full);
    if (folder == INVALID_HANDLE_VALUE)
        return means_absent(GetLastError()) ? nullptr : L"cannot be opened to be checked";
    const wchar_t* refusal = opened_folder_refusal(folder, full);
    CloseHandle(folder);
    return refusal;
}
