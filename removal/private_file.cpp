#include "private_file.h"

#include "../access_control/private_descriptor.h"
#include "../access_control/run_account.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

static const DWORD path_room = 32768;

// A file this run may delete: one name only, no link of any kind.
static bool is_plain_file(const BY_HANDLE_FILE_INFORMATION& info) {
    return (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ==
               0 &&
           info.nNumberOfLinks == 1;
}

// Renames what `handle` opened to `full` (behind \??\) with `suffix` after
// it; an existing name is never replaced.
static bool rename_to(HANDLE handle, const wchar_t* full, const wchar_t* suffix) {
    static ULONG_PTR request[(sizeof(FILE_RENAME_INFO) + (path_room + 64) * sizeof(wchar_t)) /
                                 sizeof(ULONG_PTR) +
                             1];
    FILE_RENAME_INFO* rename = reinterpret_cast<FILE_RENAME_INFO*>(request);
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = nullptr;
    std::wcscpy(rename->FileName, full);
    std::wcscat(rename->FileName, suffix);
    rename->FileNameLength = static_cast<DWORD>(std::wcslen(rename->FileName) * sizeof(wchar_t));
    return SetFileInformationByHandle(handle, FileRenameInfo, rename,
                                      sizeof(FILE_RENAME_INFO) + rename->FileNameLength) != FALSE;
}

bool set_aside(const wchar_t* path) {
    static wchar_t full[path_room + 8];
    HANDLE leftover =
        CreateFileW(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (leftover == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    std::wcscpy(full, L"\\??\\");
    DWORD length = GetFullPathNameW(path, path_room, full + 4, nullptr);
    bool renamed = false;
    for (unsigned attempt = 0; attempt < 16 && !renamed && length != 0 && length < path_room;
         ++attempt) {
        wchar_t suffix[48] = L".", digits[16];
        std::wcscat(suffix, _ultow(GetCurrentProcessId(), digits, 10));
        if (attempt > 0) {
            std::wcscat(suffix, L".");
            std::wcscat(suffix, _ultow(attempt, digits, 10));
        }
        std::wcscat(suffix, L".old");
        renamed = rename_to(leftover, full, suffix);
        if (!renamed && GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    // A plain leftover goes; a link or a file with other names stays as it
    // is under its new name, so that nothing it leads to changes.
    BY_HANDLE_FILE_INFORMATION info;
    if (renamed && GetFileInformationByHandle(leftover, &info) && is_plain_file(info)) {
        if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
            FILE_BASIC_INFO basic = {};
            basic.FileAttributes =
                info.dwFileAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
            if (basic.FileAttributes == 0)
                basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
            SetFileInformationByHandle(leftover, FileBasicInfo, &basic, sizeof basic);
        }
        FILE_DISPOSITION_INFO disposition = {TRUE};
        SetFileInformationByHandle(leftover, FileDispositionInfo, &disposition, sizeof disposition);
    }
    CloseHandle(leftover);
    return renamed;
}

HANDLE create_private_file(const wchar_t* path) {
    static private_descriptor descriptor;
    static BYTE user[SECURITY_MAX_SID_SIZE];
    const void* own = run_account_sid(user) ? user : nullptr;
    const void* owners[] = {owner_of_private_objects(), nullptr};
    for (const void* owner : owners) {
        if (!make_private_descriptor(descriptor, own, false, owner))
            return INVALID_HANDLE_VALUE;
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor.header, FALSE};
        HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, &attributes, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        // A token that may not make Administrators the owner gets the
        // platform's default owner instead.
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_INVALID_OWNER ||
            owner == nullptr)
            return file;
    }
    return INVALID_HANDLE_VALUE;
}
