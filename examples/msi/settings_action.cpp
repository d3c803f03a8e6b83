// The MSI example's custom actions: at uninstall one writes the settings
// file of remove_tree.exe, [TOOLSDIR]remove_tree.ini, straight from the
// installer's properties, in UTF-16, so that no character of a path is cut
// or changed on its way; the other deletes it once the tool has run.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <cwchar>

// A property's value, with a trailing separator dropped from a folder's.
static void property(MSIHANDLE install, const wchar_t* name, wchar_t* value, DWORD size) {
    DWORD length = size;
    if (MsiGetPropertyW(install, name, value, &length) != ERROR_SUCCESS || length >= size)
        value[0] = L'\0';
    std::size_t end = std::wcslen(value);
    if (end > 3 && value[end - 1] == L'\\')
        value[end - 1] = L'\0';
}

static wchar_t settings[32768 + 32];

// [TOOLSDIR]remove_tree.ini
static const wchar_t* settings_path(MSIHANDLE install) {
    property(install, L"TOOLSDIR", settings, 32768);
    std::wcscat(settings, L"\\remove_tree.ini");
    return settings;
}

extern "C" __declspec(dllexport) UINT __stdcall WriteRemoveTreeSettings(MSIHANDLE install) {
    static wchar_t install_dir[32768], tools_dir[32768], product[1024], ui_level[16];
    property(install, L"INSTALLDIR", install_dir, 32768);
    property(install, L"TOOLSDIR", tools_dir, 32768);
    property(install, L"ProductName", product, 1024);
    property(install, L"UILevel", ui_level, 16);
    settings_path(install);

    // A file that begins with a UTF-16 byte-order mark is kept in UTF-16 by
    // the profile functions.
    HANDLE file = CreateFileW(settings, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return ERROR_INSTALL_FAILURE;
    const wchar_t mark = 0xFEFF;
    DWORD written = 0;
    BOOL whole = WriteFile(file, &mark, sizeof mark, &written, nullptr);
    CloseHandle(file);
    if (!whole)
        return ERROR_INSTALL_FAILURE;

    // Silent (UILevel 2 or less): nothing is asked.
    const wchar_t* owner = _wtoi(ui_level) <= 2 ? L"/rollback" : product;
    const wchar_t* keys[][2] = {
        {L"to_kill", install_dir},
        {L"unwise_path", tools_dir},
        {L"unwise_title", owner},
        {L"title", product},
        {L"body", L"Do you want to keep your saved files and settings?"},
    };
    for (const auto& key : keys)
        if (!WritePrivateProfileStringW(L"Strings", key[0], key[1], settings))
            return ERROR_INSTALL_FAILURE;
    return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) UINT __stdcall DeleteRemoveTreeSettings(MSIHANDLE install) {
    DeleteFileW(settings_path(install));
    return ERROR_SUCCESS;
}
