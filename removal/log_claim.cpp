#include "log_claim.h"

#include "../target_check/file_identity.h"

#include <windows.h>

static HANDLE claim;

bool claim_kill_log() {
    HANDLE folder = open_for_identity(L".");
    if (folder == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    bool known = GetFileInformationByHandle(folder, &info) != FALSE;
    CloseHandle(folder);
    if (!known)
        return false;
    wchar_t name[96];
    wsprintfW(name, L"Global\\remove_tree KILL.LOG %08lx %08lx%08lx", info.dwVolumeSerialNumber,
              info.nFileIndexHigh, info.nFileIndexLow);
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
