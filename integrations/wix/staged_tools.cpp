#include "staged_tools.h"

#include "../../access_control/private_descriptor.h"
#include "../../access_control/program_trust.h"
#include "../../access_control/run_account.h"

#include <windows.h>

#include <cwchar>
#include <initializer_list>

const wchar_t staged_program[] = L"remove_tree.exe", staged_uninstaller[] = L"UNWISE.EXE",
              staged_settings[] = L"remove_tree.ini", staged_result[] = L"remove_tree.result";

static const unsigned path_room = 32768;

bool staged_path(const wchar_t* folder, const wchar_t* name, wchar_t* path, unsigned room) {
    std::size_t length = std::wcslen(folder);
    if (length + std::wcslen(name) + 2 > room)
        return false;
    std::wcscpy(path, folder);
    if (length > 0 && path[length - 1] != L'\\')
        std::wcscat(path, L"\\");
    std::wcscat(path, name);
    return true;
}

// Makes `folder` new and private; an existing name, of whatever, fails.
static bool make_private_folder(const wchar_t* folder) {
    private_descriptor descriptor;
    const void* owners[] = {owner_of_private_objects(), nullptr};
    for (const void* owner : owners) {
        if (!make_private_descriptor(descriptor, nullptr, true, owner))
            return false;
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor.header, FALSE};
        if (CreateDirectoryW(folder, &attributes))
            return true;
        if (GetLastError() != ERROR_INVALID_OWNER || owner == nullptr)
            return false;
    }
    return false;
}

// Copies the program open as `held` into the new file `copy`.
static bool copy_held(HANDLE held, const wchar_t* copy) {
    HANDLE out =
        CreateFileW(copy, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    static char chunk[65536];
    DWORD got = 0, written = 0;
    bool whole = SetFilePointer(held, 0, nullptr, FILE_BEGIN) == 0;
    while (whole && ReadFile(held, chunk, sizeof chunk, &got, nullptr) && got > 0)
        whole = WriteFile(out, chunk, got, &written, nullptr) && written == got;
    whole &= CloseHandle(out) != FALSE;
    return whole;
}

const wchar_t* stage_tools(const wchar_t* tools, const wchar_t* folder) {
    static wchar_t from[path_room], to[path_room], why[path_room + 64];
    if (!make_private_folder(folder))
        return L"the folder for the tools cannot be made";
    for (const wchar_t* name : {staged_program, staged_uninstaller}) {
        if (!staged_path(tools, name, from, path_room) || !staged_path(folder, name, to, path_room))
            return L"a name is too long";
        HANDLE held = INVALID_HANDLE_VALUE;
        if (const wchar_t* refusal = program_start_refusal(from, held)) {
            std::wcscpy(why, name);
            std::wcscat(why, L" is not copied: ");
            std::wcsncat(why, refusal, path_room);
            return why;
        }
        bool copied = copy_held(held, to);
        CloseHandle(held);
        if (!copied)
            return L"the tools cannot be copied";
    }
    return nullptr;
}

void clear_staged_tools(const wchar_t* folder) {
    static wchar_t path[path_room];
    for (const wchar_t* name : {staged_program, staged_uninstaller, staged_settings, staged_result})
        if (staged_path(folder, name, path, path_room))
            DeleteFileW(path);
    RemoveDirectoryW(folder);
}
