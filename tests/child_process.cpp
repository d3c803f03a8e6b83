#include "child_process.h"

#include <cstring>

struct window_search {
    DWORD process_id;
    const char* class_name;
    HWND found;
};

static BOOL CALLBACK consider(HWND window, LPARAM context) {
    window_search* search = reinterpret_cast<window_search*>(context);
    DWORD owner_process = 0;
    GetWindowThreadProcessId(window, &owner_process);
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (owner_process != search->process_id || !IsWindowVisible(window) ||
        (search->class_name != nullptr && std::strcmp(name, search->class_name) != 0))
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND visible_window_of_process(DWORD process_id, const char* class_name) {
    window_search search = {process_id, class_name, nullptr};
    EnumWindows(consider, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool start_program(const std::string& program, const std::string& arguments,
                   const std::string& folder, PROCESS_INFORMATION& process) {
    std::string line = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &process) != FALSE;
}
