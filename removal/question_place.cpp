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

UINT question_style(bool owned) {
    UINT style = MB_YESNO | MB_ICONQUESTION;
    // MB_SYSTEMMODAL is the documented way to the topmost style; MB_TOPMOST
    // says the same where it is honoured.
    if (!owned)
        style |= MB_SETFOREGROUND | MB_TOPMOST | MB_SYSTEMMODAL;
    return style;
}
