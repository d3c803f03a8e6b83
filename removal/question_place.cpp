#include "question_place.h"

#include "../startup/system_functions.h"

bool question_can_be_seen() {
    HWINSTA station = get_process_window_station();
    USEROBJECTFLAGS flags = {};
    DWORD needed = 0;
    return station != nullptr &&
           get_user_object_information(station, UOI_FLAGS, &flags, sizeof flags, &needed) &&
           (flags.dwFlags & WSF_VISIBLE) != 0;
}

HWND named_owner_window(const wchar_t* value) {
    // Window handles are 32-bit values on every Windows.
    unsigned long long number = 0;
    if (value[0] == L'\0')
        return nullptr;
    for (const wchar_t* c = value; *c != L'\0'; ++c) {
        if (*c < L'0' || *c > L'9')
            return nullptr;
        number = number * 10 + static_cast<unsigned>(*c - L'0');
        if (number > 0xFFFFFFFFull)
            return nullptr;
    }
    HWND window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(number));
    return number != 0 && is_window(window) ? window : nullptr;
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
