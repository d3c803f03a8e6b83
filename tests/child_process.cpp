#include "child_process.h"

#include "test_files.h"

#include <tlhelp32.h>

#include <cstring>

struct window_search {
    DWORD process_id;       // 0: any process
    const char* class_name; // null: any class
    const char* title;      // null: any title
    bool whole_title;       // the title is `title`, not only begins with it
    HWND found;
};

static BOOL CALLBACK consider(HWND window, LPARAM context) {
    window_search* search = reinterpret_cast<window_search*>(context);
    DWORD owner_process = 0;
    GetWindowThreadProcessId(window, &owner_process);
    if ((search->process_id != 0 && owner_process != search->process_id) ||
        !IsWindowVisible(window))
        return TRUE;
    // The title as the window keeps it, without a message to its thread,
    // which may be one that answers none.
    char name[64] = "";
    wchar_t wide_title[256] = L"";
    GetClassNameA(window, name, sizeof name);
    InternalGetWindowText(window, wide_title, 256);
    std::string title = code_page(wide_title);
    std::size_t compared = search->title == nullptr ? 0
                           : search->whole_title    ? std::strlen(search->title) + 1
                                                    : std::strlen(search->title);
    if ((search->class_name != nullptr && std::strcmp(name, search->class_name) != 0) ||
        (search->title != nullptr && std::strncmp(title.c_str(), search->title, compared) != 0))
        return TRUE;
    search->found = window;
    return FALSE;
}

static HWND find_visible_window(window_search search) {
    EnumWindows(consider, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND visible_window_of_process(DWORD process_id, const char* class_name) {
    return find_visible_window({process_id, class_name, nullptr, false, nullptr});
}

HWND visible_dialog_titled(const char* title, bool whole_title) {
    return find_visible_window({0, "#32770", title, whole_title, nullptr});
}

bool start_program(const std::string& program, const std::string& arguments,
                   const std::string& folder, PROCESS_INFORMATION& process) {
    return start_program(wide(program), wide(arguments), wide(folder), process);
}

bool start_program(const std::wstring& program, const std::wstring& arguments,
                   const std::wstring& folder, PROCESS_INFORMATION& process) {
    std::wstring line = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    return CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &process) != FALSE;
}

bool wait_until(const std::function<bool()>& ready, DWORD limit_ms) {
    ULONGLONG deadline = GetTickCount64() + limit_ms;
    for (;;) {
        if (ready())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(20);
    }
}

bool wait_for_process(HANDLE process, DWORD limit_ms, const std::function<void()>& each_look) {
    ULONGLONG deadline = GetTickCount64() + limit_ms;
    // Looking costs the processor time the program under test needs, most
    // of all where it runs through qemu.
    while (WaitForSingleObject(process, each_look ? 100 : limit_ms) == WAIT_TIMEOUT) {
        if (GetTickCount64() >= deadline)
            return false;
        if (each_look)
            each_look();
    }
    return true;
}

DWORD run_reading_box(const std::wstring& program, const std::wstring& arguments,
                      const std::wstring& folder, std::string& box_text) {
    PROCESS_INFORMATION process;
    DWORD status = STILL_ACTIVE;
    if (!start_program(program, arguments, folder, process))
        return status;
    wait_for_process(process.hProcess, 300000, [&] {
        HWND box = visible_window_of_process(process.dwProcessId, nullptr);
        if (box != nullptr && box_text.empty()) {
            static char text[65536];
            for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                if (GetWindowTextA(c, text, sizeof text) > 0 && GetDlgCtrlID(c) != IDOK)
                    box_text = text;
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    });
    TerminateProcess(process.hProcess, 99);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status;
}

DWORD exit_status(HANDLE process) {
    DWORD status = STILL_ACTIVE;
    GetExitCodeProcess(process, &status);
    CloseHandle(process);
    return status;
}

DWORD run_to_end(const std::wstring& program, const std::wstring& arguments,
                 const std::wstring& folder) {
    PROCESS_INFORMATION process;
    if (!start_program(program, arguments, folder, process))
        return 0xdead;
    CloseHandle(process.hThread);
    wait_for_process(process.hProcess, 300000);
    return exit_status(process.hProcess);
}

HANDLE child_of(DWORD parent_id) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    HANDLE child = nullptr;
    for (BOOL more = Process32First(snapshot, &entry); more && child == nullptr;
         more = Process32Next(snapshot, &entry))
        if (entry.th32ParentProcessID == parent_id)
            child = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE,
                                FALSE, entry.th32ProcessID);
    CloseHandle(snapshot);
    return child;
}

std::wstring message_box_text(HWND box) {
    wchar_t text[1024] = L"";
    for (HWND c = GetWindow(box, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t name[32] = L"";
        GetClassNameW(c, name, 32);
        if (lstrcmpiW(name, L"Static") == 0 && GetWindowTextW(c, text, 1024) > 0)
            break;
    }
    return text;
}

question_answered run_answering(const std::wstring& program, const std::wstring& arguments,
                                const std::wstring& folder, const char* title, int button) {
    question_answered seen;
    PROCESS_INFORMATION process;
    if (!start_program(program, arguments, folder, process))
        return seen;
    if (!wait_for_process(process.hProcess, 300000, [&] {
            HWND question = visible_dialog_titled(title, true);
            if (question != nullptr && !seen.asked) {
                seen.asked = true;
                seen.owner = GetWindow(question, GW_OWNER);
                seen.text = message_box_text(question);
                seen.topmost = (GetWindowLongA(question, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
                PostMessageA(GetDlgItem(question, button), BM_CLICK, 0, 0);
            }
        }))
        TerminateProcess(process.hProcess, 99);
    GetExitCodeProcess(process.hProcess, &seen.status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return seen;
}
