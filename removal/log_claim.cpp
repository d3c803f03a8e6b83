#include "log_claim.h"

#include "log_files.h"
#include "../access_control/private_descriptor.h"
#include "../access_control/run_account.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

static const DWORD claim_limit_ms = 5 * 60 * 1000, claim_step_ms = 200;

static HANDLE claim = INVALID_HANDLE_VALUE;
// The claim's full name, for the rename at its release (behind \??\).
static wchar_t claim_name[32768 + 8];

// FileDispositionInfoEx and its flags (Windows 10 1809 and later).
static const FILE_INFO_BY_HANDLE_CLASS disposition_ex = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
static const DWORD delete_now = 0x1, posix_semantics = 0x2;

// Another run holds the claim, or has just let it go (its deletion still
// pending): worth waiting for. A claim that cannot be created in a folder
// without it is not.
static bool held_elsewhere(DWORD error) {
    if (error == ERROR_SHARING_VIOLATION)
        return true;
    return error == ERROR_ACCESS_DENIED &&
           (GetFileAttributesW(claim_path) != INVALID_FILE_ATTRIBUTES ||
            GetLastError() == ERROR_ACCESS_DENIED);
}

bool claim_kill_log() {
    // Only LocalSystem, Administrators and this run's own account may open
    // the claim, also one a power cut leaves behind; an elevated run's claim
    // is owned by Administrators, not by the user's unelevated programs.
    static private_descriptor descriptor;
    static BYTE user[SECURITY_MAX_SID_SIZE];
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor.header, FALSE};
    bool private_access = make_private_descriptor(
        descriptor, run_account_sid(user) ? user : nullptr, false, owner_of_private_objects());
    std::wcscpy(claim_name, L"\\??\\");
    DWORD length = GetFullPathNameW(claim_path, 32768, claim_name + 4, nullptr);
    if (length == 0 || length >= 32768)
        return false;
    ULONGLONG deadline = GetTickCount64() + claim_limit_ms;
    for (;;) {
        // A claim left by a run that could not delete it (a power cut) is
        // taken over. Whatever else bears the name is opened itself, never
        // what a link leads to, so only that name is ever deleted.
        claim = CreateFileW(claim_path, GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                            private_access ? &attributes : nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (claim != INVALID_HANDLE_VALUE)
            return true;
        // A token that may not make Administrators the owner leaves the
        // owner to the platform.
        if (GetLastError() == ERROR_INVALID_OWNER && descriptor.header.Owner != nullptr) {
            descriptor.header.Owner = nullptr;
            continue;
        }
        if (!held_elsewhere(GetLastError()) || GetTickCount64() >= deadline)
            return false;
        Sleep(claim_step_ms);
    }
}

// Gives the claim's file the name "<claim>.<process id>", beside it.
static bool rename_aside() {
    static ULONG_PTR
        request[(sizeof(FILE_RENAME_INFO) + sizeof claim_name + 64) / sizeof(ULONG_PTR) + 1];
    FILE_RENAME_INFO* rename = reinterpret_cast<FILE_RENAME_INFO*>(request);
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = nullptr;
    std::wcscpy(rename->FileName, claim_name);
    std::wcscat(rename->FileName, L".");
    wchar_t digits[16];
    std::wcscat(rename->FileName, _ultow(GetCurrentProcessId(), digits, 10));
    rename->FileNameLength = static_cast<DWORD>(std::wcslen(rename->FileName) * sizeof(wchar_t));
    return SetFileInformationByHandle(claim, FileRenameInfo, rename,
                                      sizeof(FILE_RENAME_INFO) + rename->FileNameLength) != FALSE;
}

void release_kill_log() {
    if (claim == INVALID_HANDLE_VALUE)
        return;
    // Any program that may read the folder can hold the file open for its
    // attributes, which no sharing refuses, and on Windows a deleted name
    // stays until its last handle is closed. So the claim's name is given
    // up first: the file is renamed aside, and only then deleted (with
    // POSIX semantics the name goes at once, where the platform has them).
    // When it cannot be renamed it is left as it is, which the next run
    // takes over like one a power cut left, rather than leave the claim's
    // name pending for as long as a reader likes.
    if (rename_aside()) {
        DWORD flags = delete_now | posix_semantics;
        if (!SetFileInformationByHandle(claim, disposition_ex, &flags, sizeof flags)) {
            FILE_DISPOSITION_INFO plain = {TRUE};
            SetFileInformationByHandle(claim, FileDispositionInfo, &plain, sizeof plain);
        }
    }
    CloseHandle(claim);
    claim = INVALID_HANDLE_VALUE;
}
