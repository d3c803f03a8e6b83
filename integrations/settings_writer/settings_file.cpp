#include "settings_file.h"

bool start_settings_file(const wchar_t* path) {
    DeleteFileW(path);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const wchar_t mark = 0xFEFF;
    DWORD written = 0;
    BOOL whole = WriteFile(file, &mark, sizeof mark, &written, nullptr) && written == sizeof mark;
    return CloseHandle(file) && whole;
}

bool write_quoted_value(const wchar_t* path, const wchar_t* key, const wchar_t* value) {
    int length = lstrlenW(value);
    wchar_t* quoted =
        static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, (length + 3) * sizeof(wchar_t)));
    if (quoted == nullptr)
        return false;
    quoted[0] = L'"';
    lstrcpyW(quoted + 1, value);
    quoted[length + 1] = L'"';
    quoted[length + 2] = L'\0';
    BOOL written = WritePrivateProfileStringW(L"Strings", key, quoted, path);
    HeapFree(GetProcessHeap(), 0, quoted);
    return written != FALSE;
}
