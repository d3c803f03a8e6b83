#include "installer_messages.h"

#include <cstdlib>
#include <cwchar>

// A record whose template is `text` as it stands: each "[", "]", "{" and
// "}" written "[\\x]", so that Windows Installer reads none of them as a
// property, a field or a group when it formats the text.
static MSIHANDLE record_of(const wchar_t* text) {
    std::size_t special = 0;
    for (const wchar_t* c = text; *c != L'\0'; ++c)
        special += std::wcschr(L"[]{}", *c) != nullptr && *c != L'\0';
    wchar_t* escaped =
        static_cast<wchar_t*>(std::malloc((std::wcslen(text) + 3 * special + 1) * sizeof(wchar_t)));
    if (escaped == nullptr)
        return 0;
    wchar_t* out = escaped;
    for (const wchar_t* c = text; *c != L'\0'; ++c) {
        if (std::wcschr(L"[]{}", *c) != nullptr) {
            *out++ = L'[';
            *out++ = L'\\';
            *out++ = *c;
            *out++ = L']';
        } else {
            *out++ = *c;
        }
    }
    *out = L'\0';
    MSIHANDLE record = MsiCreateRecord(0);
    if (record != 0)
        MsiRecordSetStringW(record, 0, escaped);
    std::free(escaped);
    return record;
}

int ask_through_installer(MSIHANDLE install, const wchar_t* text) {
    MSIHANDLE record = record_of(text);
    if (record == 0)
        return -1;
    int answer = MsiProcessMessage(
        install, static_cast<INSTALLMESSAGE>(INSTALLMESSAGE_USER | MB_YESNO | MB_ICONQUESTION),
        record);
    MsiCloseHandle(record);
    return answer;
}

void log_through_installer(MSIHANDLE install, const wchar_t* text) {
    std::size_t length = std::wcslen(text);
    wchar_t* line = static_cast<wchar_t*>(std::malloc((length + 16) * sizeof(wchar_t)));
    if (line == nullptr)
        return;
    std::wcscpy(line, L"remove_tree: ");
    std::wcscat(line, text);
    MSIHANDLE record = record_of(line);
    std::free(line);
    if (record == 0)
        return;
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
    MsiCloseHandle(record);
}
