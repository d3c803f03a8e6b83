// Stands in for the Offline Registry Library (offreg.dll), which Windows 10
// and 11 carry and Wine lacks: the hive file, read through the handle it is
// given, is copied aside, loaded into HKEY_USERS under a name of its own
// (RegLoadKeyW, with the privileges that takes) and read through the
// registry, so that the tests see what the programs make of an unloaded
// profile's hive. Only ever put into a scratch prefix.
#include <windows.h>

#include <cwchar>

static struct {
    HKEY key;
    wchar_t name[64];
    wchar_t copy[MAX_PATH];
} loaded[64];

static void enable_privilege(const wchar_t* name) {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
}

// Loads the hive file open as `file` (or named `path`) into a slot.
static DWORD load_hive(HANDLE file, const wchar_t* path, void** hive) {
    static unsigned count;
    enable_privilege(L"SeRestorePrivilege");
    enable_privilege(L"SeBackupPrivilege");
    for (auto& slot : loaded) {
        if (slot.key != nullptr)
            continue;
        ++count;
        swprintf(slot.name, 64, L"RemoveTreeOffline.%lu.%u", GetCurrentProcessId(), count);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        swprintf(slot.copy, MAX_PATH, L"%ls%ls.dat", temp, slot.name);
        bool copied = false;
        if (file != nullptr) {
            HANDLE out =
                CreateFileW(slot.copy, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            char chunk[65536];
            DWORD got = 0, written = 0;
            copied =
                out != INVALID_HANDLE_VALUE && SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0;
            while (copied && ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
                copied = WriteFile(out, chunk, got, &written, nullptr) != FALSE;
            if (out != INVALID_HANDLE_VALUE)
                CloseHandle(out);
        } else {
            copied = CopyFileW(path, slot.copy, FALSE) != FALSE;
        }
        LSTATUS status = copied ? RegLoadKeyW(HKEY_USERS, slot.name, slot.copy) : ERROR_READ_FAULT;
        if (status == ERROR_SUCCESS)
            status = RegOpenKeyExW(HKEY_USERS, slot.name, 0, KEY_READ, &slot.key);
        if (status != ERROR_SUCCESS)
            DeleteFileW(slot.copy);
        *hive = slot.key;
        return static_cast<DWORD>(status);
    }
    return ERROR_TOO_MANY_OPEN_FILES;
}

extern "C" __declspec(dllexport) DWORD WINAPI OROpenHive(const wchar_t* path, void** hive) {
    return load_hive(nullptr, path, hive);
}

extern "C" __declspec(dllexport) DWORD WINAPI OROpenHiveByHandle(HANDLE file, void** hive) {
    return load_hive(file, nullptr, hive);
}

extern "C" __declspec(dllexport) DWORD WINAPI
    OROpenKey(void* parent, const wchar_t* name, void** key) {
    return static_cast<DWORD>(
        RegOpenKeyExW(static_cast<HKEY>(parent), name, 0, KEY_READ, reinterpret_cast<HKEY*>(key)));
}

extern "C" __declspec(dllexport) DWORD WINAPI
    OREnumValue(void* key, DWORD index, wchar_t* name, DWORD* name_length, DWORD* type, BYTE* data,
                DWORD* size) {
    return static_cast<DWORD>(
        RegEnumValueW(static_cast<HKEY>(key), index, name, name_length, nullptr, type, data, size));
}

extern "C" __declspec(dllexport) DWORD WINAPI
    OREnumKey(void* key, DWORD index, wchar_t* name, DWORD* length, wchar_t* kind,
              DWORD* kind_length, FILETIME* written) {
    return static_cast<DWORD>(RegEnumKeyExW(static_cast<HKEY>(key), index, name, length, nullptr,
                                            kind, kind_length, written));
}

extern "C" __declspec(dllexport) DWORD WINAPI ORCloseKey(void* key) {
    return static_cast<DWORD>(RegCloseKey(static_cast<HKEY>(key)));
}

extern "C" __declspec(dllexport) DWORD WINAPI ORCloseHive(void* hive) {
    for (auto& slot : loaded) {
        if (slot.key != hive || hive == nullptr)
            continue;
        RegCloseKey(slot.key);
        slot.key = nullptr;
        LSTATUS status = RegUnLoadKeyW(HKEY_USERS, slot.name);
        DeleteFileW(slot.copy);
        return static_cast<DWORD>(status);
    }
    return ERROR_INVALID_HANDLE;
}
