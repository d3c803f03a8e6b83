// Plays the installer for the demo: shows an installer-style dialog, runs
// remove_tree.exe on a settings file and tells, step by step, what it sees.
//   installer_demo.exe SETTINGS TREE UNINSTALLER_FOLDER DIALOG_TITLE [--unattended]
// Unattended, it writes .\question_up once the question is on screen, waits
// for .\screenshot_taken, then answers No itself. Exit status 0 when the tree
// and the log are gone and remove_tree.exe ended with 0.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <string>

static LARGE_INTEGER started, ticks_per_second;

static void step(const char* format, const std::string& detail = "") {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    double at = static_cast<double>(now.QuadPart - started.QuadPart) / ticks_per_second.QuadPart;
    std::printf("[%6.2f s] ", at);
    std::printf(format, detail.c_str());
    std::printf("\n");
    std::fflush(stdout);
}

static bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

static void pump_messages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
}

struct box_search {
    DWORD process_id;
    HWND box;
};

static BOOL CALLBACK find_box(HWND window, LPARAM context) {
    box_search* search = reinterpret_cast<box_search*>(context);
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    if (process_id != search->process_id || !IsWindowVisible(window))
        return TRUE;
    search->box = window;
    return FALSE;
}

static std::string box_text(HWND box) {
    char text[1024] = "";
    for (HWND c = GetWindow(box, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        char name[32] = "";
        GetClassNameA(c, name, sizeof name);
        if (std::strcmp(name, "Static") == 0 && GetWindowTextA(c, text, sizeof text) > 0)
            break;
    }
    return text;
}

// The uninstaller the tool started: a child process of it.
static HANDLE find_child(DWORD parent_id) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    HANDLE child = nullptr;
    for (BOOL more = Process32First(snapshot, &entry); more && child == nullptr;
         more = Process32Next(snapshot, &entry))
        if (entry.th32ParentProcessID == parent_id)
            child = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                entry.th32ProcessID);
    CloseHandle(snapshot);
    return child;
}

static INT_PTR CALLBACK dialog_procedure(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

static HWND show_installer_dialog(const char* title) {
    alignas(4) WORD blank[16] = {};
    DLGTEMPLATE* layout = reinterpret_cast<DLGTEMPLATE*>(blank);
    layout->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_CENTER;
    layout->cx = 320;
    layout->cy = 200;
    HWND dialog = CreateDialogIndirectParamA(nullptr, layout, nullptr, dialog_procedure, 0);
    SetWindowTextA(dialog, title);
    return dialog;
}

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: installer_demo SETTINGS TREE UNINSTALLER_FOLDER TITLE "
                             "[--unattended]\n");
        return 2;
    }
    std::string settings = argv[1], tree = argv[2], log = std::string(argv[3]) + "\\KILL.LOG";
    bool unattended = argc > 5 && std::strcmp(argv[5], "--unattended") == 0;
    QueryPerformanceFrequency(&ticks_per_second);
    QueryPerformanceCounter(&started);

    HWND dialog = show_installer_dialog(argv[4]);
    step("installer dialog shown: \"%s\"", argv[4]);
    step("tree to remove: %s", tree + (exists(tree) ? " (present)" : " (missing)"));

    std::string line = "remove_tree.exe \"" + settings + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION tool;
    if (!CreateProcessA(".\\remove_tree.exe", &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &tool)) {
        step("remove_tree.exe could not be started");
        return 1;
    }
    step("started: %s", line);

    bool asked = false, answered = false, log_seen = false, log_gone = false;
    HANDLE uninstaller = nullptr;
    bool uninstaller_ended = false;
    HWND box = nullptr;
    for (;;) {
        DWORD waited = MsgWaitForMultipleObjects(1, &tool.hProcess, FALSE, 2, QS_ALLINPUT);
        pump_messages();
        if (!asked) {
            box_search search = {tool.dwProcessId, nullptr};
            EnumWindows(find_box, reinterpret_cast<LPARAM>(&search));
            if ((box = search.box) != nullptr) {
                asked = true;
                char caption[256] = "";
                GetWindowTextA(box, caption, sizeof caption);
                step("question asked: %s",
                     "\"" + std::string(caption) + "\": \"" + box_text(box) +
                         (GetWindow(box, GW_OWNER) == dialog ? "\" (owned by the installer dialog)"
                                                             : "\" (no owner)"));
                if (unattended) {
                    // Let the box paint itself before the picture is taken.
                    for (int i = 0; i < 50; ++i) {
                        Sleep(10);
                        pump_messages();
                    }
                    std::fclose(std::fopen("question_up", "w"));
                    for (int i = 0; i < 3000 && !exists("screenshot_taken"); ++i) {
                        Sleep(10);
                        pump_messages();
                    }
                    PostMessageA(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
                    step("answered No (unattended): go ahead with the removal");
                }
            }
        } else if (!answered && !IsWindow(box)) {
            answered = true;
            if (!unattended)
                step("question answered");
        }
        if (!log_seen && exists(log)) {
            log_seen = true;
            step("removal log written: %s", log);
        }
        if (uninstaller == nullptr && (uninstaller = find_child(tool.dwProcessId)) != nullptr)
            step("uninstaller started: .\\UNWISE.EXE /S /A /R .\\KILL.LOG; remove_tree waits");
        if (uninstaller != nullptr && !uninstaller_ended &&
            WaitForSingleObject(uninstaller, 0) == WAIT_OBJECT_0) {
            uninstaller_ended = true;
            DWORD status = 0;
            GetExitCodeProcess(uninstaller, &status);
            step("uninstaller ended with status %s",
                 std::to_string(status) +
                     (exists(tree) ? "; the tree is still there" : "; the tree is gone"));
            step("%s", exists(log) ? "removal log still there while remove_tree notices"
                                   : "removal log already gone");
        }
        if (log_seen && !log_gone && !exists(log)) {
            log_gone = true;
            step("removal log deleted");
        }
        if (waited == WAIT_OBJECT_0)
            break;
    }
    DWORD status = 1;
    GetExitCodeProcess(tool.hProcess, &status);
    step("remove_tree.exe ended with exit status %s", std::to_string(status));
    bool done = status == 0 && !exists(tree) && !exists(log);
    step("%s",
         done ? "result: the tree and the log are gone"
              : (exists(tree) ? "result: the tree is still there" : "result: the log is left"));
    DestroyWindow(dialog);
    return done ? 0 : 1;
}
