#pragma once

#include <windows.h>
#include <shlobj.h>

// The few functions of USER32, ADVAPI32 and SHELL32 the programs call.
// Those DLLs are not imported: each is loaded from the system folder alone
// (never from the program's folder or the current one) at the first call
// that needs it, after the entry has restricted the DLL search, and each
// function is looked up there once. The addresses are kept in the
// program's own data, so nothing ever writes into its import table, which
// a linker may well make read-only.
//
// Where a DLL or a function cannot be had, the call fails as the platform's
// own would, and says so in its result: FALSE or 0, ERROR_PROC_NOT_FOUND
// (the registry) or HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND) (the shell).

// What the shell's calls answer when the shell cannot be had.
// (A constant expression: the programs run no static initialisers.)
constexpr HRESULT shell_function_missing =
    MAKE_HRESULT(SEVERITY_ERROR, FACILITY_WIN32, ERROR_PROC_NOT_FOUND);

// The DLL `name` (at most 14 characters) from the system folder, loaded by
// its full path where the platform does not know the search flag (Windows 7
// without its update); null when it cannot be loaded.
HMODULE load_system_dll(const wchar_t* name);

// USER32
BOOL enum_windows(WNDENUMPROC visit, LPARAM context);
BOOL enum_child_windows(HWND parent, WNDENUMPROC visit, LPARAM context);
int get_class_name(HWND window, wchar_t* name, int size);
int get_window_text(HWND window, wchar_t* text, int size);
LRESULT send_message_timeout(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT flags,
                             UINT timeout, DWORD_PTR* result);
int message_box(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
HWINSTA get_process_window_station();
BOOL is_window(HWND window);
BOOL get_user_object_information(HANDLE object, int index, void* information, DWORD size,
                                 DWORD* needed);
DWORD get_window_thread_process_id(HWND window, DWORD* process_id);

// ADVAPI32
LSTATUS reg_open_key(HKEY root, const wchar_t* name, REGSAM access, HKEY* key);
LSTATUS reg_enum_key(HKEY key, DWORD index, wchar_t* name, DWORD* length);
LSTATUS reg_get_value(HKEY key, const wchar_t* value, DWORD flags, void* data, DWORD* size);
LSTATUS reg_enum_value(HKEY key, DWORD index, wchar_t* name, DWORD* length, DWORD* type, void* data,
                       DWORD* size);
LSTATUS reg_close_key(HKEY key);
BOOL open_process_token(HANDLE process, DWORD access, HANDLE* token);
BOOL get_token_information(HANDLE token, TOKEN_INFORMATION_CLASS kind, void* information,
                           DWORD size, DWORD* needed);
// RtlGenRandom: `size` random bytes from the platform's own generator.
BOOL gen_random(void* buffer, ULONG size);
BOOL get_kernel_object_security(HANDLE object, SECURITY_INFORMATION wanted, void* descriptor,
                                DWORD size, DWORD* needed);

// SHELL32
HRESULT sh_get_folder_path(int folder, DWORD flags, wchar_t* path);
HRESULT sh_get_known_folder_path(REFKNOWNFOLDERID folder, wchar_t* path, UINT size);
wchar_t** command_line_to_argv(const wchar_t* command_line, int* count);
