#include "log_claim.h"

#include "../target_check/file_identity.h"

#include <windows.h>

static HANDLE claim;

bool claim_kill_log() {
    file_identity folder;
    if (!identity_of_path(L".", folder))
        return false;
    wchar_t name[96];
    wsprintfW(name, L"Global\\remove_tree KILL.LOG %08lx %08lx%08lx", folder.volume_serial,
              folder.index_high, folder.index_low);
    claim = CreateMutexW(nullptr, FALSE, name);
    if (claim == nullptr)
        return false;
    // An abandoned claim is a run that ended without giving it up; its log,
    // if any, is a leftover like any other.
    DWORD waited = WaitForSingleObject(claim, INFINITE);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
        return true;
    CloseHandle(claim);
    claim = nullptr;
    return false;
}

void release_kill_log() {
    if (claim == nullptr)
        return;
    ReleaseMutex(claim);
    CloseHandle(claim);
    claim = nullptr;
}
