#include "wow64_redirection.h"

#include "file_identity.h"

#include <windows.h>

#ifndef _WIN64
// What `full` opens: its identity, or that it is not there; false when it
// cannot be told.
static bool opened_identity(const wchar_t* full, bool& present, file_identity& identity) {
    HANDLE opened = open_for_identity(full);
    if (opened == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        present = false;
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    present = true;
    bool known = identity_of_handle(opened, identity);
    CloseHandle(opened);
    return known;
}

// Whether `full` names the Windows folder's Sysnative or something in it:
// a name that exists for 32-bit programs alone, and only while the
// redirector is on, so the comparison below cannot judge it everywhere
// (Wine resolves it either way).
static bool names_sysnative(const wchar_t* full) {
    static wchar_t sysnative[MAX_PATH + 16];
    UINT length = GetWindowsDirectoryW(sysnative, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return true;
    if (sysnative[length - 1] == L'\\')
        sysnative[--length] = L'\0';
    lstrcatW(sysnative, L"\\Sysnative");
    length += 10;
    if (full[0] == L'\\' && full[1] == L'\\' && full[2] == L'?' && full[3] == L'\\')
        full += 4;
    if (lstrlenW(full) < static_cast<int>(length) ||
        CompareStringOrdinal(full, static_cast<int>(length), sysnative, static_cast<int>(length),
                             TRUE) != CSTR_EQUAL)
        return false;
    return full[length] == L'\0' || full[length] == L'\\';
}

#endif

bool redirector_changes(const wchar_t* full) {
#ifdef _WIN64
    (void)full;
    return false;
#else
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64)
        return false;
    if (names_sysnative(full))
        return true;
    bool redirected_present = false, native_present = false;
    file_identity redirected = {}, native = {};
    if (!opened_identity(full, redirected_present, redirected))
        return true;
    // Only this thread's own file calls go unredirected, and only for as
    // long as the one open takes.
    void* previous = nullptr;
    if (!Wow64DisableWow64FsRedirection(&previous))
        return true;
    bool known = opened_identity(full, native_present, native);
    Wow64RevertWow64FsRedirection(previous);
    if (!known || redirected_present != native_present)
        return true;
    return redirected_present && !same_identity(redirected, native);
#endif
}
