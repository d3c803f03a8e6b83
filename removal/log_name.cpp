#include "log_name.h"

#include "../target_check/file_identity.h"

#include <windows.h>

#include <cwchar>

// The code page's bytes for `length` characters of `text` at `out`, with
// their count in `written`; false when a character has no exact byte form
// (no best fit: `ā` must not become `a`, nor `＼` a separator).
static bool fits_code_page(const wchar_t* text, int length, char* out, int size, int& written) {
    if (length == 0) {
        written = 0;
        return true;
    }
    bool utf8 = GetACP() == CP_UTF8;
    BOOL used_default = FALSE;
    written = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, text, length, out, size,
                                  nullptr, utf8 ? nullptr : &used_default);
    if (written == 0 || used_default)
        return false;
    static wchar_t back[1024];
    int back_length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, out, written, back, 1024);
    return back_length == length && std::wmemcmp(back, text, length) == 0;
}

static bool is_separator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// The short name of the entry that `path` names, or false when it has none
// (8.3 names off, or no such entry).
static bool short_name_of(const wchar_t* path, wchar_t* name) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(path, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    std::wcscpy(name, entry.cAlternateFileName);
    return name[0] != L'\0';
}

// `a` and `b` open the same existing object.
static bool same_object(const wchar_t* a, const wchar_t* b) {
    file_identity first, second;
    return identity_of_path(a, first) && identity_of_path(b, second) &&
           same_identity(first, second);
}

bool code_page_name(const wchar_t* to_kill, char* out, int size) {
    int length = static_cast<int>(std::wcslen(to_kill)), written = 0;
    if (length >= 1024)
        return false;
    if (fits_code_page(to_kill, length, out, size - 1, written)) {
        out[written] = '\0';
        return true;
    }

    // Name by name: what fits stays as it is, what does not becomes its short name.
    static wchar_t prefix[1024], spelling[1024];
    int used = 0;
    for (int at = 0; at < length;) {
        int end = at;
        while (end < length && !is_separator(to_kill[end]))
            ++end;
        if (end < length)
            ++end; // the separator travels with the name before it
        int name_end = end;
        while (name_end > at && is_separator(to_kill[name_end - 1]))
            --name_end;
        int bytes = 0;
        if (!fits_code_page(to_kill + at, end - at, out + used, size - 1 - used, bytes)) {
            wchar_t short_name[16];
            std::wmemcpy(prefix, to_kill, name_end);
            prefix[name_end] = L'\0';
            if (!short_name_of(prefix, short_name) ||
                !fits_code_page(short_name, static_cast<int>(std::wcslen(short_name)), out + used,
                                size - 1 - used, bytes))
                return false;
            int separator_bytes = 0;
            if (!fits_code_page(to_kill + name_end, end - name_end, out + used + bytes,
                                size - 1 - used - bytes, separator_bytes))
                return false;
            bytes += separator_bytes;
        }
        used += bytes;
        at = end;
    }
    out[used] = '\0';
    // The uninstaller reads these bytes back in the code page: that spelling
    // must lead to the very folder named.
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, out, -1, spelling, 1024) > 0 &&
           same_object(to_kill, spelling);
}
