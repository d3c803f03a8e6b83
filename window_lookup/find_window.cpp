#include "find_window.h"

#include "../startup/system_functions.h"

#include <cwchar>

static bool begins_with(const wchar_t* name, const wchar_t* prefix) {
    return std::wcsncmp(name, prefix, std::wcslen(prefix)) == 0;
}

// Called once per window by the enumeration; returns FALSE to stop it.
static BOOL CALLBACK consider_window(HWND window, LPARAM context) {
    window_query* query = reinterpret_cast<window_query*>(context);
    if (window == nullptr)
        return TRUE;

    // Class name and title share one scratch buffer; an unreadable name
    // compares as empty. Titles are read in UTF-16, so a title the code
    // page cannot hold is compared as it stands.
    wchar_t name[512];
    name[0] = L'\0';
    get_class_name(window, name, 512);
    if (query->class_prefix[0] != L'\0' && !begins_with(name, query->class_prefix))
        return TRUE;

    name[0] = L'\0';
    get_window_text(window, name, 512);
    if (!begins_with(name, query->title_prefix))
        return TRUE;

    if (query->accept != nullptr && query->accept(window) == 0)
        return TRUE;

    query->found = window;
    return FALSE;
}

HWND find_window(HWND parent, const wchar_t* class_prefix, const wchar_t* title_prefix,
                 window_test accept) {
    window_query query = {class_prefix, title_prefix, nullptr, accept};
    LPARAM context = reinterpret_cast<LPARAM>(&query);
    if (parent == nullptr)
        enum_windows(consider_window, context);
    else
        enum_child_windows(parent, consider_window, context);
    return query.found;
}
