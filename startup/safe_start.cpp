#include "safe_start.h"

#include "system_functions.h"

#include <windows.h>

typedef BOOL(WINAPI* set_default_dll_directories)(DWORD flags);

static void load_lazily_loaded_dlls() {
    static const wchar_t* const names[] = {L"rpcrt4.dll", L"combase.dll", L"ole32.dll",
                                           L"msimg32.dll"};
    for (const wchar_t* name : names)
        load_system_dll(name);
}

void start_safely() {
    // What the starter chose (a silent deployment turns the crash box off)
    // is kept; only the boxes that would stop a silent uninstall are added.
    const UINT quiet = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
    UINT inherited = SetErrorMode(quiet);
    SetErrorMode(inherited | quiet);
    // Looked up: a static import of it would keep the program from starting
    // where it is missing.
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    set_default_dll_directories set_directories =
        kernel == nullptr
            ? nullptr
            : reinterpret_cast<set_default_dll_directories>(
                  reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (set_directories == nullptr || !set_directories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        SetDllDirectoryW(L"");
    load_lazily_loaded_dlls();
}
