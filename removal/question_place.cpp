#include "question_place.h"

#include "../startup/system_functions.h"

#include <tlhelp32.h>

bool question_can_be_seen() {
    HWINSTA station = get_process_window_station();
    USEROBJECTFLAGS flags = {};
    DWORD needed = 0;
    return station != nullptr &&
           get_user_object_information(station, UOI_FLAGS, &flags, sizeof flags, &needed) &&
           (flags.dwFlags & WSF_VISIBLE) != 0;
}

// The process that started `process_id`, when it is still the one that did
// (created no later than it: an ended parent's number may be reused); 0
// when there is none.
static DWORD starter_of(DWORD process_id) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    DWORD parent = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && parent == 0;
         more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == process_id)
            parent = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    FILETIME created[2], unused[3];
    const DWORD ids[] = {parent, process_id};
    for (int i = 0; i < 2; ++i) {
        HANDLE process =
            parent != 0 ? OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, ids[i]) : nullptr;
        bool known = process != nullptr &&
                     GetProcessTimes(process, &created[i], &unused[0], &unused[1], &unused[2]);
        if (process != nullptr)
            CloseHandle(process);
        if (!known)
            return 0;
    }
    return CompareFileTime(&created[0], &created[1]) <= 0 ? parent : 0;
}

bool window_handle_from_text(const wchar_t* value, HWND& window) {
    // Window handles are 32-bit values on every Windows, sign-extended where
    // pointers are wider.
    bool negative = value[0] == L'-';
    const wchar_t* digits = negative ? value + 1 : value;
    unsigned long long number = 0;
    if (digits[0] == L'\0')
        return false;
    for (const wchar_t* c = digits; *c != L'\0'; ++c) {
        if (*c < L'0' || *c > L'9')
            return false;
        number = number * 10 + static_cast<unsigned>(*c - L'0');
        if (number > (negative ? 0x80000000ull : 0xFFFFFFFFull))
            return false;
    }
    if (negative)
        number = (0x100000000ull - number) & 0xFFFFFFFFull;
    LONG low = static_cast<LONG>(static_cast<ULONG>(number));
    window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(low));
    return number != 0;
}

HWND named_owner_window(const wchar_t* value) {
    HWND window = nullptr;
    if (!window_handle_from_text(value, window) || !is_window(window))
        return nullptr;
    DWORD owner_process = 0;
    get_window_thread_process_id(window, &owner_process);
    DWORD starter = starter_of(GetCurrentProcessId());
    if (owner_process == 0 || starter == 0)
        return nullptr;
    if (owner_process == starter || owner_process == starter_of(starter))
        return window;
    return nullptr;
}

UINT question_style(bool owned, bool hung_window_near) {
    UINT style = MB_YESNO | MB_ICONQUESTION;
    // MB_SYSTEMMODAL is the documented way to the topmost style; MB_TOPMOST
    // says the same where it is honoured.
    if (!owned)
        style |= MB_TOPMOST | MB_SYSTEMMODAL;
    if (!owned && !hung_window_near)
        style |= MB_SETFOREGROUND;
    return style;
}
