#include "find_window.h"

#include <cstring>

static bool begins_with(const char* name, const char* prefix) {
    return std::strncmp(name, prefix, std::strlen(prefix)) == 0;
}

// Called once per window by the enumeration; returns FALSE to stop it.
static BOOL CALLBACK consider_window(HWND window, LPARAM context) {
    window_query* query = reinterpret_cast<window_query*>(context);
    if (window == nullptr)
        return TRUE;

    // Class name and title share one scratch buffer; an unreadable name
    // compares as empty.
    char name[512];
    name[0] = '\0';
    GetClassNameA(window, name, sizeof name);
    if (query->class_prefix[0] != '\0' && !begins_with(name, query->class_prefix))
        return TRUE;

    name[0] = '\0';
    GetWindowTextA(window, name, sizeof name);
    if (!begins_with(name, query->title_prefix))
        return TRUE;

    if (query->accept != nullptr && query->accept(window) == 0)
        return TRUE;

    query->found = window;
    return FALSE;
}

HWND find_window(HWND parent, const char* class_prefix, const char* title_prefix,
                 window_test accept) {
    window_query query = {class_prefix, title_prefix, nullptr, accept};
    LPARAM context = reinterpret_cast<LPARAM>(&query);
    if (parent == nullptr)
        EnumWindows(consider_window, context);
    else
        EnumChildWindows(parent, consider_window, context);
    return query.found;
}
