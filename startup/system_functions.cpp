#include "system_functions.h"

#include <cwchar>

typedef void (*any_function)();

HMODULE load_system_dll(const wchar_t* name) {
    HMODULE dll = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (dll != nullptr || GetLastError() != ERROR_INVALID_PARAMETER || std::wcslen(name) > 14)
        return dll;
    wchar_t path[MAX_PATH + 16];
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    path[length] = L'\\';
    path[length + 1] = L'\0';
    std::wcscat(path, name);
    return LoadLibraryExW(path, nullptr, 0);
}

// The function `name` of the system DLL `dll`, kept in `*cached` once found;
// one that is not there is looked for again at the next call, which costs
// nothing the programs would notice.
template <typename function_type>
static function_type system_function(any_function* cached, const wchar_t* dll, const char* name) {
    if (*cached == nullptr) {
        HMODULE module = load_system_dll(dll);
        if (module != nullptr)
            *cached = reinterpret_cast<any_function>(GetProcAddress(module, name));
    }
    return reinterpret_cast<function_type>(*cached);
}

typedef BOOL(WINAPI* enum_windows_type)(WNDENUMPROC, LPARAM);
typedef BOOL(WINAPI* enum_child_windows_type)(HWND, WNDENUMPROC, LPARAM);
typedef int(WINAPI* get_text_type)(HWND, LPWSTR, int);
typedef LRESULT(WINAPI* send_message_timeout_type)(HWND, UINT, WPARAM, LPARAM, UINT, UINT,
                                                   PDWORD_PTR);
typedef int(WINAPI* message_box_type)(HWND, LPCWSTR, LPCWSTR, UINT);
typedef HWINSTA(WINAPI* get_process_window_station_type)();
typedef BOOL(WINAPI* is_window_type)(HWND);
typedef BOOL(WINAPI* get_user_object_information_type)(HANDLE, int, PVOID, DWORD, LPDWORD);
typedef DWORD(WINAPI* get_window_thread_process_id_type)(HWND, LPDWORD);
typedef BOOL(WINAPI* get_kernel_object_security_type)(HANDLE, SECURITY_INFORMATION,
                                                      PSECURITY_DESCRIPTOR, DWORD, LPDWORD);
typedef BOOLEAN(WINAPI* gen_random_type)(PVOID, ULONG);
typedef LSTATUS(WINAPI* reg_open_key_type)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
typedef LSTATUS(WINAPI* reg_enum_key_type)(HKEY, DWORD, LPWSTR, LPDWORD, LPDWORD, LPWSTR, LPDWORD,
                                           PFILETIME);
typedef LSTATUS(WINAPI* reg_get_value_type)(HKEY, LPCWSTR, LPCWSTR, DWORD, LPDWORD, PVOID, LPDWORD);
typedef LSTATUS(WINAPI* reg_close_key_type)(HKEY);
typedef LSTATUS(WINAPI* reg_enum_value_type)(HKEY, DWORD, LPWSTR, LPDWORD, LPDWORD, LPDWORD, LPBYTE,
                                             LPDWORD);
typedef BOOL(WINAPI* open_process_token_type)(HANDLE, DWORD, PHANDLE);
typedef BOOL(WINAPI* get_token_information_type)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD,
                                                 PDWORD);
typedef HRESULT(WINAPI* sh_get_folder_path_type)(HWND, int, HANDLE, DWORD, LPWSTR);
typedef HRESULT(WINAPI* sh_get_folder_path_ex_type)(REFKNOWNFOLDERID, DWORD, HANDLE, LPWSTR, UINT);
typedef LPWSTR*(WINAPI* command_line_to_argv_type)(LPCWSTR, int*);

static const wchar_t user32[] = L"user32.dll";
static const wchar_t advapi32[] = L"advapi32.dll";
static const wchar_t shell32[] = L"shell32.dll";

BOOL enum_windows(WNDENUMPROC visit, LPARAM context) {
    static any_function address;
    enum_windows_type call = system_function<enum_windows_type>(&address, user32, "EnumWindows");
    return call != nullptr && call(visit, context);
}

BOOL enum_child_windows(HWND parent, WNDENUMPROC visit, LPARAM context) {
    static any_function address;
    enum_child_windows_type call =
        system_function<enum_child_windows_type>(&address, user32, "EnumChildWindows");
    return call != nullptr && call(parent, visit, context);
}

int get_class_name(HWND window, wchar_t* name, int size) {
    static any_function address;
    get_text_type call = system_function<get_text_type>(&address, user32, "GetClassNameW");
    return call != nullptr ? call(window, name, size) : 0;
}

int get_window_text(HWND window, wchar_t* text, int size) {
    static any_function address;
    get_text_type call = system_function<get_text_type>(&address, user32, "GetWindowTextW");
    return call != nullptr ? call(window, text, size) : 0;
}

LRESULT send_message_timeout(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT flags,
                             UINT timeout, DWORD_PTR* result) {
    static any_function address;
    send_message_timeout_type call =
        system_function<send_message_timeout_type>(&address, user32, "SendMessageTimeoutW");
    return call != nullptr ? call(window, message, wparam, lparam, flags, timeout, result) : 0;
}

int message_box(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    static any_function address;
    message_box_type call = system_function<message_box_type>(&address, user32, "MessageBoxW");
    return call != nullptr ? call(owner, text, caption, type) : 0;
}

BOOL is_window(HWND window) {
    static any_function address;
    is_window_type call = system_function<is_window_type>(&address, user32, "IsWindow");
    return call != nullptr && call(window);
}

HWINSTA get_process_window_station() {
    static any_function address;
    get_process_window_station_type call = system_function<get_process_window_station_type>(
        &address, user32, "GetProcessWindowStation");
    return call != nullptr ? call() : nullptr;
}

BOOL get_user_object_information(HANDLE object, int index, void* information, DWORD size,
                                 DWORD* needed) {
    static any_function address;
    get_user_object_information_type call = system_function<get_user_object_information_type>(
        &address, user32, "GetUserObjectInformationW");
    if (call == nullptr)
        SetLastError(ERROR_PROC_NOT_FOUND);
    return call != nullptr && call(object, index, information, size, needed);
}

DWORD get_window_thread_process_id(HWND window, DWORD* process_id) {
    static any_function address;
    get_window_thread_process_id_type call = system_function<get_window_thread_process_id_type>(
        &address, user32, "GetWindowThreadProcessId");
    if (call == nullptr) {
        *process_id = 0;
        return 0;
    }
    return call(window, process_id);
}

LSTATUS reg_open_key(HKEY root, const wchar_t* name, REGSAM access, HKEY* key) {
    static any_function address;
    reg_open_key_type call =
        system_function<reg_open_key_type>(&address, advapi32, "RegOpenKeyExW");
    return call != nullptr ? call(root, name, 0, access, key) : ERROR_PROC_NOT_FOUND;
}

LSTATUS reg_enum_key(HKEY key, DWORD index, wchar_t* name, DWORD* length) {
    static any_function address;
    reg_enum_key_type call =
        system_function<reg_enum_key_type>(&address, advapi32, "RegEnumKeyExW");
    return call != nullptr ? call(key, index, name, length, nullptr, nullptr, nullptr, nullptr)
                           : ERROR_PROC_NOT_FOUND;
}

LSTATUS reg_get_value(HKEY key, const wchar_t* value, DWORD flags, void* data, DWORD* size) {
    static any_function address;
    reg_get_value_type call =
        system_function<reg_get_value_type>(&address, advapi32, "RegGetValueW");
    return call != nullptr ? call(key, nullptr, value, flags, nullptr, data, size)
                           : ERROR_PROC_NOT_FOUND;
}

LSTATUS reg_enum_value(HKEY key, DWORD index, wchar_t* name, DWORD* length, DWORD* type, void* data,
                       DWORD* size) {
    static any_function address;
    reg_enum_value_type call =
        system_function<reg_enum_value_type>(&address, advapi32, "RegEnumValueW");
    return call != nullptr
               ? call(key, index, name, length, nullptr, type, static_cast<LPBYTE>(data), size)
               : ERROR_PROC_NOT_FOUND;
}

LSTATUS reg_close_key(HKEY key) {
    static any_function address;
    reg_close_key_type call =
        system_function<reg_close_key_type>(&address, advapi32, "RegCloseKey");
    return call != nullptr ? call(key) : ERROR_PROC_NOT_FOUND;
}

BOOL open_process_token(HANDLE process, DWORD access, HANDLE* token) {
    static any_function address;
    open_process_token_type call =
        system_function<open_process_token_type>(&address, advapi32, "OpenProcessToken");
    if (call == nullptr)
        SetLastError(ERROR_PROC_NOT_FOUND);
    return call != nullptr && call(process, access, token);
}

BOOL get_token_information(HANDLE token, TOKEN_INFORMATION_CLASS kind, void* information,
                           DWORD size, DWORD* needed) {
    static any_function address;
    get_token_information_type call =
        system_function<get_token_information_type>(&address, advapi32, "GetTokenInformation");
    if (call == nullptr)
        SetLastError(ERROR_PROC_NOT_FOUND);
    return call != nullptr && call(token, kind, information, size, needed);
}

BOOL gen_random(void* buffer, ULONG size) {
    static any_function address;
    gen_random_type call =
        system_function<gen_random_type>(&address, advapi32, "SystemFunction036");
    return call != nullptr && call(buffer, size);
}

BOOL get_kernel_object_security(HANDLE object, SECURITY_INFORMATION wanted, void* descriptor,
                                DWORD size, DWORD* needed) {
    static any_function address;
    get_kernel_object_security_type call = system_function<get_kernel_object_security_type>(
        &address, advapi32, "GetKernelObjectSecurity");
    if (call == nullptr)
        SetLastError(ERROR_PROC_NOT_FOUND);
    return call != nullptr && call(object, wanted, descriptor, size, needed);
}

HRESULT sh_get_folder_path(int folder, DWORD flags, wchar_t* path) {
    static any_function address;
    sh_get_folder_path_type call =
        system_function<sh_get_folder_path_type>(&address, shell32, "SHGetFolderPathW");
    return call != nullptr ? call(nullptr, folder, nullptr, flags, path) : shell_function_missing;
}

HRESULT sh_get_known_folder_path(REFKNOWNFOLDERID folder, wchar_t* path, UINT size) {
    // Vista and later; mingw's headers do not declare it.
    static any_function address;
    sh_get_folder_path_ex_type call =
        system_function<sh_get_folder_path_ex_type>(&address, shell32, "SHGetFolderPathEx");
    return call != nullptr ? call(folder, 0, nullptr, path, size) : shell_function_missing;
}

wchar_t** command_line_to_argv(const wchar_t* command_line, int* count) {
    static any_function address;
    command_line_to_argv_type call =
        system_function<command_line_to_argv_type>(&address, shell32, "CommandLineToArgvW");
    if (call == nullptr) {
        *count = 0;
        return nullptr;
    }
    return call(command_line, count);
}
