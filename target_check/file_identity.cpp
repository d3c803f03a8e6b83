#include "file_identity.h"

HANDLE open_for_identity(const wchar_t* path) {
    return CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool identity_of_path(const wchar_t* path, file_identity& identity) {
    HANDLE handle = open_for_identity(path);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    bool known = GetFileInformationByHandle(handle, &info) != FALSE;
    CloseHandle(handle);
    if (known)
        identity = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return known;
}

bool same_identity(const BY_HANDLE_FILE_INFORMATION& opened, const file_identity& identity) {
    return opened.dwVolumeSerialNumber == identity.volume_serial &&
           opened.nFileIndexHigh == identity.index_high &&
           opened.nFileIndexLow == identity.index_low;
}
