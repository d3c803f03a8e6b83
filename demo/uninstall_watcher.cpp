// Plays the user of the NSIS example for the demo and tells, step by step,
// what it sees: installs the sample application silently, starts its
// uninstaller, presses Uninstall, and watches remove_tree.exe ask its
// question over the uninstaller's window, write KILL.LOG, run UNWISE.EXE and
// delete the log.
//   uninstall_watcher.exe SETUP INSTALL_DIR [--unattended]
// Unattended, it writes .\question_up once the question is on screen, waits
// for .\screenshot_taken, then answers No itself; otherwise the user answers.
// Exit status 0 when the uninstaller ended with 0 and, after No, the tree
// and the log are gone (after Yes, the tree is whole).
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <string>

static LARGE_INTEGER started, ticks_per_second;

static void step(const std::string& text) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    double at = static_cast<double>(now.QuadPart - started.QuadPart) / ticks_per_second.QuadPart;
    std::printf("[%6.2f s] %s\n", at, text.c_str());
    std::fflush(stdout);
}

static bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

static int count_files(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do {
        std::string name = entry.cFileName;
        if (name == "." || name == "..")
            continue;
        count += (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                     ? count_files(folder + "\\" + name)
                     : 1;
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return count;
}

static HANDLE start(const std::string& program, const std::string& arguments, DWORD* id) {
    std::string line = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    if (id != nullptr)
        *id = process.dwProcessId;
    return process.hProcess;
}

// A process that runs `name`, or whose parent is `parent` when `name` is
// null; opened for waiting, or null.
static HANDLE find_process(const char* name, DWORD parent) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    HANDLE found = nullptr;
    for (BOOL more = Process32First(snapshot, &entry); more && found == nullptr;
         more = Process32Next(snapshot, &entry))
        if (name != nullptr ? _stricmp(entry.szExeFile, name) == 0
                            : entry.th32ParentProcessID == parent)
            found = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                entry.th32ProcessID);
    CloseHandle(snapshot);
    return found;
}

static bool ended(HANDLE process) {
    return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

struct dialog_search {
    const char* title;
    bool exact;
    HWND found;
};

static BOOL CALLBACK consider(HWND window, LPARAM context) {
    dialog_search* search = reinterpret_cast<dialog_search*>(context);
    char name[64] = "", title[256] = "";
    GetClassNameA(window, name, sizeof name);
    GetWindowTextA(window, title, sizeof title);
    bool match = search->exact
                     ? std::strcmp(title, search->title) == 0
                     : std::strncmp(title, search->title, std::strlen(search->title)) == 0;
    if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window) || !match)
        return TRUE;
    search->found = window;
    return FALSE;
}

static HWND find_dialog(const char* title, bool exact) {
    dialog_search search = {title, exact, nullptr};
    EnumWindows(consider, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

static std::string text_of(HWND window) {
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

static std::string box_text(HWND box) {
    for (HWND c = GetWindow(box, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        char name[32] = "";
        GetClassNameA(c, name, sizeof name);
        if (std::strcmp(name, "Static") == 0 && !text_of(c).empty())
            return text_of(c);
    }
    return "";
}

// The removal log in the uninstaller's temporary folder (%TEMP%\ns*.tmp), or "".
static std::string find_kill_log() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((std::string(temp) + "ns*.tmp").c_str(), &entry);
    std::string found;
    if (search == INVALID_HANDLE_VALUE)
        return found;
    do {
        std::string log = std::string(temp) + entry.cFileName + "\\KILL.LOG";
        if (exists(log))
            found = log;
    } while (found.empty() && FindNextFileA(search, &entry));
    FindClose(search);
    return found;
}

static void pause_briefly(int milliseconds) {
    for (int i = 0; i < milliseconds / 10; ++i)
        Sleep(10);
}

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: uninstall_watcher SETUP INSTALL_DIR [--unattended]\n");
        return 2;
    }
    std::string setup = argv[1], tree = argv[2];
    bool unattended = argc > 3 && std::strcmp(argv[3], "--unattended") == 0;
    QueryPerformanceFrequency(&ticks_per_second);
    QueryPerformanceCounter(&started);

    HANDLE installer = start(setup, "/S /D=" + tree, nullptr);
    if (installer == nullptr) {
        step("the installer could not be started");
        return 1;
    }
    WaitForSingleObject(installer, 60000);
    CloseHandle(installer);
    step("installed silently (" + setup + " /S): " + tree + ", " +
         std::to_string(count_files(tree)) + " files");

    DWORD launcher_id = 0;
    HANDLE launcher = start(tree + "\\uninstall.exe", "", &launcher_id);
    if (launcher == nullptr) {
        step("the uninstaller could not be started");
        return 1;
    }
    WaitForSingleObject(launcher, 30000);
    CloseHandle(launcher);
    HANDLE uninstaller = find_process(nullptr, launcher_id);
    HWND window = nullptr;
    // Limits by the clock, well above what a fast host needs.
    for (ULONGLONG until = GetTickCount64() + 60000; window == nullptr && GetTickCount64() < until;
         Sleep(10))
        window = find_dialog("Example Tool Uninstall", false);
    if (uninstaller == nullptr || window == nullptr) {
        step("the uninstaller's window did not appear");
        return 1;
    }
    step("uninstaller shown (it runs from a copy in the temporary folder): \"" + text_of(window) +
         "\"");
    if (unattended) {
        pause_briefly(300);
        PostMessageA(GetDlgItem(window, IDOK), BM_CLICK, 0, 0);
        step("pressed Uninstall");
    } else {
        step("press Uninstall to go on");
    }

    HWND box = nullptr;
    bool answered = false, answer_no = true;
    HANDLE tool = nullptr, unwise = nullptr;
    bool tool_ended = false, unwise_ended = false;
    std::string log;
    bool log_gone = false, close_pressed = false;
    while (!ended(uninstaller)) {
        Sleep(20);
        if (box == nullptr && (box = find_dialog("Example Tool", true)) != nullptr) {
            DWORD_PTR result = 0;
            bool answers =
                SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result) != 0;
            step("question asked: \"" + text_of(box) + "\": \"" + box_text(box) + "\"" +
                 (GetWindow(box, GW_OWNER) == window
                      ? " (owned by the uninstaller's window \"" + text_of(window) + "\"" +
                            (answers ? ", which keeps answering)" : ", which does not answer)")
                      : " (not owned by the uninstaller's window)"));
            if (unattended) {
                pause_briefly(500); // let the box paint before the picture
                std::fclose(std::fopen("question_up", "w"));
                for (ULONGLONG until = GetTickCount64() + 60000;
                     !exists("screenshot_taken") && GetTickCount64() < until;)
                    Sleep(10);
                PostMessageA(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
                step("answered No (unattended): go ahead with the removal");
                answered = true;
            }
        } else if (box != nullptr && !answered && !IsWindow(box)) {
            answered = true;
            answer_no =
                !exists(tree) || find_kill_log() != "" || find_process("UNWISE.EXE", 0) != nullptr;
            step("question answered");
        }
        if (tool == nullptr && (tool = find_process("remove_tree.exe", 0)) != nullptr)
            step("remove_tree.exe started by the uninstaller's ExecWait");
        if (log.empty() && !(log = find_kill_log()).empty())
            step("removal log written: " + log);
        if (unwise == nullptr && (unwise = find_process("UNWISE.EXE", 0)) != nullptr)
            step("UNWISE.EXE started: .\\UNWISE.EXE /S /A /R .\\KILL.LOG; remove_tree.exe waits");
        if (unwise != nullptr && !unwise_ended && ended(unwise)) {
            unwise_ended = true;
            DWORD status = 0;
            GetExitCodeProcess(unwise, &status);
            step("UNWISE.EXE ended with status " + std::to_string(status) +
                 (exists(tree) ? "; the tree is still there" : "; the tree is gone"));
        }
        if (!log.empty() && !log_gone && !exists(log)) {
            log_gone = true;
            step("removal log deleted");
        }
        if (tool != nullptr && !tool_ended && ended(tool)) {
            tool_ended = true;
            DWORD status = 1;
            GetExitCodeProcess(tool, &status);
            step("remove_tree.exe ended with exit status " + std::to_string(status));
        }
        // The uninstall is done once its page offers to close the window.
        HWND close = GetDlgItem(window, IDOK);
        char label[32] = "";
        if (unattended && close_pressed == false && GetWindowTextA(close, label, sizeof label) &&
            std::string(label) == "&Close" && IsWindowEnabled(close)) {
            PostMessageA(close, BM_CLICK, 0, 0);
            close_pressed = true;
            step("pressed Close");
        }
    }
    DWORD status = 1;
    GetExitCodeProcess(uninstaller, &status);
    step("uninstaller ended with exit status " + std::to_string(status));
    if (box == nullptr)
        step("no question was asked");
    bool removed = !exists(tree);
    bool log_left = !find_kill_log().empty();
    step(removed
             ? (log_left ? "result: the tree is gone, a removal log is left"
                         : "result: the tree and the log are gone")
             : "result: the tree is still there, " + std::to_string(count_files(tree)) + " files");
    bool expected = answer_no ? removed && !log_left : !removed;
    return status == 0 && expected ? 0 : 1;
}
