#include "file_identity.h"

HANDLE open_for_identity(const wchar_t* path) {
    return CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

file_identity identity_of(const BY_HANDLE_FILE_INFORMATION& info) {
    return {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

bool identity_of_handle(HANDLE handle, file_identity& identity) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info))
        return false;
    identity = identity_of(info);
    return true;
}

bool identity_of_path(const wchar_t* path, file_identity& identity) {
    HANDLE handle = open_for_identity(path);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    bool known = identity_of_handle(handle, identity);
    CloseHandle(handle);
    return known;
}

bool same_identity(const file_identity& a, const file_identity& b) {
    return a.volume_serial == b.volume_serial && a.index_high == b.index_high &&
           a.index_low == b.index_low;
}
