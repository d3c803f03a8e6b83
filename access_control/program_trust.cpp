#include "program_trust.h"

#include "change_rights.h"
#include "run_account.h"
#include "../startup/system_functions.h"

#include <cwchar>

static const DWORD path_room = 32768;
static wchar_t refusal[path_room + 64];

// Whether nobody untrusted may replace what `handle` opened.
static bool only_trusted_may_replace_opened(HANDLE handle, bool folder, const void* own_account) {
    // Self-relative: every part lies within the buffer, whose size bounds the reading.
    static ULONG_PTR descriptor[65536 / sizeof(ULONG_PTR)];
    DWORD needed = 0;
    if (!get_kernel_object_security(handle, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                    descriptor, sizeof descriptor, &needed))
        return false;
    return only_trusted_may_replace(descriptor, sizeof descriptor, folder, own_account);
}

static const wchar_t* refused_for(const wchar_t* why, const wchar_t* path) {
    std::wcscpy(refusal, why);
    std::wcsncat(refusal, path, path_room - 1);
    return refusal;
}

// Judges each folder of `path` (behind \\?\X:\) from the root down to the
// one that holds the last part.
static const wchar_t* folders_refusal(wchar_t* path, const void* own_account) {
    std::size_t last = std::wcsrchr(path, L'\\') - path;
    for (std::size_t end = 7; end == 7 || end <= last; ++end) {
        if (end > 7 && path[end] != L'\\')
            continue;
        wchar_t kept = path[end];
        path[end] = L'\0';
        HANDLE folder = CreateFileW(
            path, READ_CONTROL | FILE_READ_ATTRIBUTES,
            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        BY_HANDLE_FILE_INFORMATION info;
        bool plain = folder != INVALID_HANDLE_VALUE && GetFileInformationByHandle(folder, &info) &&
                     (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                     (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
        bool trusted = plain && only_trusted_may_replace_opened(folder, true, own_account);
        if (folder != INVALID_HANDLE_VALUE)
            CloseHandle(folder);
        const wchar_t* why = !plain     ? L"not a plain folder: "
                             : !trusted ? L"others may change the folder "
                                        : nullptr;
        if (why != nullptr)
            return refused_for(why, path + 4);
        path[end] = kept;
    }
    return nullptr;
}

// Judges the program open as `held`, whose name is `program`.
static const wchar_t* held_program_refusal(const wchar_t* program, HANDLE held) {
    static wchar_t full[path_room], named[path_room], final[path_room + 8];
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(held, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
        return L"it is a folder or a link";
    DWORD length = GetFullPathNameW(program, path_room, full, nullptr);
    if (length == 0 || length >= path_room)
        return L"its name cannot be resolved";
    length = GetLongPathNameW(full, named, path_room);
    if (length == 0 || length >= path_room)
        std::wcscpy(named, full);
    length = GetFinalPathNameByHandleW(held, final, path_room, VOLUME_NAME_DOS);
    if (length == 0 || length >= path_room)
        return L"its name cannot be learnt";
    // A program on a drive of this machine, named as it is: no share, no
    // link, junction or substituted drive on its way that could be pointed
    // elsewhere once it has been judged.
    bool on_drive =
        std::wcsncmp(final, L"\\\\?\\", 4) == 0 && final[5] == L':' && final[6] == L'\\';
    if (!on_drive)
        return L"it lies on a network share";
    wchar_t root[] = {final[4], L':', L'\\', L'\0'};
    if (GetDriveTypeW(root) == DRIVE_REMOTE)
        return L"it lies on a network drive";
    if (CompareStringOrdinal(final + 4, -1, named, -1, TRUE) != CSTR_EQUAL)
        return refused_for(L"it is reached through a link or another drive: ", named);
    static BYTE own_account[SECURITY_MAX_SID_SIZE];
    const void* own = run_account_sid(own_account) ? own_account : nullptr;
    if (const wchar_t* why = folders_refusal(final, own))
        return why;
    if (!only_trusted_may_replace_opened(held, false, own))
        return refused_for(L"others may change ", final + 4);
    return nullptr;
}

const wchar_t* program_start_refusal(const wchar_t* program, HANDLE& held) {
    held = CreateFileW(program, GENERIC_READ | READ_CONTROL, FILE_SHARE_READ, nullptr,
                       OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (held == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION ? L"another program is writing it"
                                                         : L"it cannot be opened";
    const wchar_t* why = held_program_refusal(program, held);
    if (why != nullptr) {
        CloseHandle(held);
        held = INVALID_HANDLE_VALUE;
    }
    return why;
}
