#include "log_claim.h"

#include <windows.h>

static const wchar_t claim_path[] = L".\\KILL.LOG.lock";
static const DWORD claim_limit_ms = 5 * 60 * 1000, claim_step_ms = 200;

static HANDLE claim = INVALID_HANDLE_VALUE;

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
    ULONGLONG deadline = GetTickCount64() + claim_limit_ms;
    for (;;) {
        // A claim left by a run that could not delete it (a power cut) is
        // taken over: opening it makes it this run's, deleted on closing.
        // Whatever else bears the name is opened itself, never what a link
        // leads to, so closing deletes only that name.
        claim = CreateFileW(
            claim_path, GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
            FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT,
            nullptr);
        if (claim != INVALID_HANDLE_VALUE)
            return true;
        if (!held_elsewhere(GetLastError()) || GetTickCount64() >= deadline)
            return false;
        Sleep(claim_step_ms);
    }
}

void release_kill_log() {
    if (claim == INVALID_HANDLE_VALUE)
        return;
    CloseHandle(claim);
    claim = INVALID_HANDLE_VALUE;
}
