// Drives the real remove_tree.exe from outside, the way an installer and its
// user do: this process shows the installer's dialog and answers the question
// box, and tests\recording_uninstaller.exe stands in for UNWISE.EXE.
#include "child_process.h"
#include "test_files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

static const std::string log_head = "***  Installation Started  ***\r\nTitle: \r\nSource: \r\n";
static const char app_folder[] = "C:\\Program Files\\Tool";

static double seconds_now() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return static_cast<double>((static_cast<unsigned long long>(now.dwHighDateTime) << 32) |
                               now.dwLowDateTime) /
           1e7;
}

// What the question box showed, as this process saw it.
struct question_seen {
    bool shown = false;
    HWND owner = nullptr;
    bool owner_disabled = false;
    std::string caption, text;
    bool yes = false, no = false, other_buttons = false, icon = false;
    bool topmost = false, foreground = false;
};

struct run_outcome {
    DWORD exit_code = STILL_ACTIVE;
    question_seen question;
    double log_gone_at = 0; // when the watched log vanished after being seen
};

static BOOL CALLBACK note_box_control(HWND control, LPARAM context) {
    question_seen* seen = reinterpret_cast<question_seen*>(context);
    char name[64] = "", text[1024] = "";
    GetClassNameA(control, name, sizeof name);
    GetWindowTextA(control, text, sizeof text);
    std::string kind = name;
    LONG style = GetWindowLongA(control, GWL_STYLE);
    if (kind == "Static" && (style & SS_TYPEMASK) == SS_ICON)
        seen->icon = true;
    else if (kind == "Static" && text[0] != '\0')
        seen->text = text;
    else if (kind == "Button") {
        int id = GetDlgCtrlID(control);
        seen->yes |= id == IDYES && std::string(text) == "&Yes";
        seen->no |= id == IDNO && std::string(text) == "&No";
        seen->other_buttons |= id != IDYES && id != IDNO && IsWindowVisible(control);
    }
    return TRUE;
}

static void pump_messages();

static question_seen inspect_box(HWND box) {
    question_seen seen;
    seen.shown = true;
    seen.owner = GetWindow(box, GW_OWNER);
    seen.owner_disabled = seen.owner != nullptr && !IsWindowEnabled(seen.owner);
    seen.topmost = (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    // A box that takes the foreground is shown first and activated after:
    // on a slow host the look may come in between, so a topmost one is given
    // time, by the clock, to become the foreground window.
    // This thread's dialog may be the window that loses the foreground: its
    // messages are answered meanwhile.
    seen.foreground = wait_until(
        [&] {
            pump_messages();
            return GetForegroundWindow() == box;
        },
        seen.topmost ? 20000 : 0);
    char caption[1024] = "";
    GetWindowTextA(box, caption, sizeof caption);
    seen.caption = caption;
    EnumChildWindows(box, note_box_control, reinterpret_cast<LPARAM>(&seen));
    return seen;
}

static void pump_messages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Starts remove_tree.exe with `tail` in `start_folder` and plays the user: it
// answers the question with `answer` (IDYES or IDNO; No when none is expected)
// and keeps this thread's windows responsive until the tool ends. When
// `watched_log` is given, notes when it disappears after having been seen.
static run_outcome run_tool(const std::string& tail, const std::string& start_folder, int answer,
                            const std::string& watched_log = "") {
    run_outcome outcome;
    PROCESS_INFORMATION process;
    if (!start_program(program_folder() + "\\remove_tree.exe", tail, start_folder, process))
        return outcome;
    bool log_seen = false;
    double deadline = seconds_now() + 60;
    // The log is looked for often enough to time its deletion; windows less
    // often, as each look costs the tool processor time.
    DWORD step_ms = watched_log.empty() ? 50 : 10;
    for (;;) {
        DWORD waited = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, step_ms, QS_ALLINPUT);
        pump_messages();
        if (!outcome.question.shown) {
            HWND box = visible_window_of_process(process.dwProcessId, "#32770");
            if (box != nullptr) {
                outcome.question = inspect_box(box);
                HWND button = GetDlgItem(box, answer == IDYES ? IDYES : IDNO);
                PostMessageA(button, BM_CLICK, 0, 0);
            }
        }
        if (!watched_log.empty()) {
            bool present = file_exists(watched_log);
            if (log_seen && !present && outcome.log_gone_at == 0)
                outcome.log_gone_at = seconds_now();
            log_seen |= present;
        }
        if (waited == WAIT_OBJECT_0)
            break;
        if (seconds_now() > deadline) {
            TerminateProcess(process.hProcess, 99);
            break;
        }
    }
    WaitForSingleObject(process.hProcess, 5000);
    GetExitCodeProcess(process.hProcess, &outcome.exit_code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return outcome;
}

// One value of the stand-in's record, or "<none>".
static std::string recorded(const std::string& record, const std::string& key) {
    std::size_t at = record.find(key + "=");
    if (at == std::string::npos)
        return "<none>";
    at += key.size() + 1;
    return record.substr(at, record.find('\n', at) - at);
}

// Each test gets a folder with the uninstaller's folder inside it, the stand-in
// copied there as UNWISE.EXE, and a visible installer dialog of its own.
class removal_run : public testing::Test {
  protected:
    void SetUp() override {
        std::string test_name = testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : test_name)
            if (c == '/')
                c = '_';
        folder = make_test_folder(test_name);
        unwise_folder = folder + "\\un wise";
        CreateDirectoryA(unwise_folder.c_str(), nullptr);
        CopyFileA((program_folder() + "\\recording_uninstaller.exe").c_str(),
                  (unwise_folder + "\\UNWISE.EXE").c_str(), FALSE);
        settings = folder + "\\kill settings.ini";
        dialog_title = "Tool Setup " + std::to_string(GetCurrentProcessId()) + " " + test_name;
        dialog = show_installer_dialog(dialog_title);
        probe = "probe " + test_name;
        SetEnvironmentVariableA("REMOVE_TREE_PROBE", probe.c_str());
        SetEnvironmentVariableA("RECORDING_UNINSTALLER_SECONDS", nullptr);
    }
    void TearDown() override {
        DestroyWindow(dialog);
        remove_test_folder(folder);
    }

    static INT_PTR CALLBACK dialog_procedure(HWND, UINT, WPARAM, LPARAM) {
        return FALSE;
    }
    static HWND show_installer_dialog(const std::string& title) {
        // A template with no controls, menu, class or title makes a plain "#32770".
        alignas(4) WORD blank[16] = {};
        DLGTEMPLATE* layout = reinterpret_cast<DLGTEMPLATE*>(blank);
        layout->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
        layout->cx = 200;
        layout->cy = 120;
        HWND window = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), layout, nullptr,
                                                 dialog_procedure, 0);
        SetWindowTextA(window, title.c_str());
        return window;
    }

    // Settings with the uninstaller's folder and the question; `extra` lines follow.
    void write_settings(const std::string& to_kill_line, const std::string& title_value,
                        const std::string& extra = "") {
        write_file(settings, "[Strings]\r\n" + to_kill_line + "unwise_path=" + unwise_folder +
                                 "\r\nunwise_title=" + title_value +
                                 "\r\ntitle=Remove Tool\r\nbody=Keep your files?\r\n" + extra);
    }
    std::string record() {
        return read_file(unwise_folder + "\\uninstaller_record.txt");
    }
    std::string kill_log() {
        return unwise_folder + "\\KILL.LOG";
    }
    void expect_question_over_dialog(const question_seen& q) {
        EXPECT_TRUE(q.shown);
        EXPECT_EQ(q.owner, dialog);
        EXPECT_TRUE(q.owner_disabled) << "the dialog is disabled while its question is up";
        EXPECT_EQ(q.caption, "Remove Tool");
        EXPECT_EQ(q.text, "Keep your files?");
        EXPECT_TRUE(q.yes && q.no && !q.other_buttons) << "Yes and No only";
        EXPECT_TRUE(q.icon);
    }
    // The uninstaller ran once on the log naming `to_kill`, and the log is gone.
    void expect_removal_handed_over(const std::string& to_kill) {
        std::string r = record();
        EXPECT_EQ(recorded(r, "command_line"), ".\\UNWISE.EXE /S /A /R .\\KILL.LOG");
        EXPECT_EQ(recorded(r, "current_directory"), unwise_folder);
        EXPECT_EQ(recorded(r, "probe"), probe);
        EXPECT_EQ(recorded(r, "log_at_end"), "1");
        EXPECT_EQ(read_file(unwise_folder + "\\seen_kill_log"),
                  log_head + "File Tree: " + to_kill + "\\*.*\r\n");
        EXPECT_FALSE(file_exists(kill_log()));
    }

    std::string folder, unwise_folder, settings, dialog_title, probe;
    HWND dialog = nullptr;
};

// Answer No: the 89-byte log goes to the uninstaller, which is waited for.
TEST_F(removal_run, answer_no_hands_the_tree_over) {
    write_settings(std::string("to_kill=") + app_folder + "\r\n", dialog_title);
    run_outcome run = run_tool("\"" + settings + "\"", folder, IDNO);
    EXPECT_EQ(run.exit_code, 0u);
    expect_question_over_dialog(run.question);
    expect_removal_handed_over(app_folder);
    EXPECT_EQ(read_file(unwise_folder + "\\seen_kill_log").size(), 89u);
}

// An installer dialog whose thread answers no messages, as an installer's
// does while it waits for the tool on that very thread.
struct hung_dialog {
    std::string title;
    HANDLE shown, release;
};

static INT_PTR CALLBACK no_dialog_procedure(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

static DWORD WINAPI show_and_hang(void* context) {
    hung_dialog* hung = static_cast<hung_dialog*>(context);
    alignas(4) WORD blank[16] = {};
    DLGTEMPLATE* layout = reinterpret_cast<DLGTEMPLATE*>(blank);
    layout->style = WS_POPUP | WS_CAPTION | WS_VISIBLE;
    layout->cx = 200;
    layout->cy = 120;
    HWND window = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), layout, nullptr,
                                             no_dialog_procedure, 0);
    SetWindowTextA(window, hung->title.c_str());
    SetEvent(hung->shown);
    WaitForSingleObject(hung->release, INFINITE); // no messages answered meanwhile
    DestroyWindow(window);
    return 0;
}

// The dialog named does not answer: the question is asked all the same,
// without an owner, instead of both programs waiting for each other.
TEST_F(removal_run, hung_owner_is_passed_over) {
    hung_dialog hung = {"Hung Setup " + std::to_string(GetCurrentProcessId()),
                        CreateEventA(nullptr, TRUE, FALSE, nullptr),
                        CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    HANDLE thread = CreateThread(nullptr, 0, show_and_hang, &hung, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(hung.shown, 60000), WAIT_OBJECT_0);
    write_settings(std::string("to_kill=") + app_folder + "\r\n", hung.title);
    run_outcome run = run_tool("\"" + settings + "\"", folder, IDNO);
    SetEvent(hung.release);
    WaitForSingleObject(thread, 60000);
    for (HANDLE handle : {thread, hung.shown, hung.release})
        CloseHandle(handle);
    EXPECT_EQ(run.exit_code, 0u);
    EXPECT_TRUE(run.question.shown);
    EXPECT_EQ(run.question.owner, nullptr);
    expect_removal_handed_over(app_folder);
}

// Answer Yes refuses: nothing is written, started or deleted.
TEST_F(removal_run, answer_yes_refuses) {
    write_file(kill_log(), "left from before");
    write_settings(std::string("to_kill=") + app_folder + "\r\n", dialog_title);
    run_outcome run = run_tool("\"" + settings + "\"", folder, IDYES);
    EXPECT_EQ(run.exit_code, 0u);
    expect_question_over_dialog(run.question);
    EXPECT_EQ(read_file(kill_log()), "left from before");
    EXPECT_FALSE(file_exists(unwise_folder + "\\uninstaller_record.txt"));
}

// Only the exact value "/rollback" keeps the question from being asked.
TEST_F(removal_run, rollback_skips_the_question) {
    struct {
        const char* unwise_title;
        bool asked;
    } cases[] = {{"/rollback", false}, {"/Rollback", true}, {"/rollback ", false}};
    for (const auto& c : cases) {
        write_settings(std::string("to_kill=") + app_folder + "\r\n", c.unwise_title);
        DeleteFileA((unwise_folder + "\\uninstaller_record.txt").c_str());
        run_outcome run = run_tool("\"" + settings + "\"", folder, IDNO);
        EXPECT_EQ(run.exit_code, 0u) << c.unwise_title;
        EXPECT_EQ(run.question.shown, c.asked) << c.unwise_title;
        // "/Rollback" is a title prefix that no dialog has.
        if (c.asked) {
            EXPECT_EQ(run.question.owner, nullptr) << c.unwise_title;
        }
        expect_removal_handed_over(app_folder);
    }
}

// With `result_file` set, the run writes what became of the folder there,
// and why on the lines after; a file already there is set aside and a new
// one made, never written through.
TEST_F(removal_run, result_file_tells_what_happened) {
    const std::string result = folder + "\\result.txt";
    const std::string named = std::string("to_kill=") + app_folder + "\r\n";
    struct {
        const char* what;
        std::string to_kill_line, unwise_title;
        int answer;
        const char* uninstaller_exit;
        const char* expected;
    } cases[] = {
        {"answer Yes", named, dialog_title, IDYES, "0", "kept\r\nthe answer was Yes\r\n"},
        {"answer No, all removed", named, dialog_title, IDNO, "0", "removed\r\n"},
        {"a restart finishes it", named, "/rollback", IDNO, "3010",
         "restart\r\nUNWISE.EXE ended with 3010\r\n"},
        {"part of it left", named, "/rollback", IDNO, "1",
         "incomplete\r\nUNWISE.EXE ended with 1\r\n"},
        {"no folder named", "to_kill=n/a\r\n", dialog_title, IDNO, "0",
         "refused\r\nto_kill names no folder\r\n"},
        {"a volume root", "to_kill=C:\\\r\n", "/rollback", IDNO, "0",
         "refused\r\nto_kill names no single folder\r\n"},
    };
    for (const auto& c : cases) {
        write_settings(c.to_kill_line, c.unwise_title, "result_file=" + result + "\r\n");
        DeleteFileA(result.c_str());
        SetEnvironmentVariableA("RECORDING_UNINSTALLER_EXIT", c.uninstaller_exit);
        run_outcome run = run_tool("\"" + settings + "\"", folder, c.answer);
        SetEnvironmentVariableA("RECORDING_UNINSTALLER_EXIT", nullptr);
        EXPECT_EQ(run.exit_code, 0u) << c.what;
        EXPECT_EQ(read_file(result), c.expected) << c.what;
    }
    // A file planted under the name, and another file it is a second name
    // of: this run's result replaces the name alone.
    write_file(folder + "\\planted.txt", "restart\r\n");
    DeleteFileA(result.c_str());
    ASSERT_TRUE(CreateHardLinkA(result.c_str(), (folder + "\\planted.txt").c_str(), nullptr));
    run_tool("\"" + settings + "\"", folder, IDNO);
    EXPECT_EQ(read_file(result), "refused\r\nto_kill names no single folder\r\n");
    EXPECT_EQ(read_file(folder + "\\planted.txt"), "restart\r\n");
    DeleteFileA(result.c_str());
}

// Without an owner the question comes up in front of every window and takes
// the foreground; over the installer's dialog it stays that dialog's.
TEST_F(removal_run, question_without_owner_is_in_front) {
    write_settings(std::string("to_kill=") + app_folder + "\r\n", "No Such Installer Dialog");
    run_outcome run = run_tool("\"" + settings + "\"", folder, IDYES);
    EXPECT_TRUE(run.question.shown);
    EXPECT_EQ(run.question.owner, nullptr);
    EXPECT_TRUE(run.question.topmost);
    EXPECT_TRUE(run.question.foreground);
    write_settings(std::string("to_kill=") + app_folder + "\r\n", dialog_title);
    run = run_tool("\"" + settings + "\"", folder, IDYES);
    EXPECT_EQ(run.question.owner, dialog);
    EXPECT_FALSE(run.question.topmost) << "owned: it stays with its dialog";
}

// The installer may name its own window (`owner_window`, its handle in
// decimal): that window owns the question, whatever title it has. A value
// that names no window leaves the owner to the title, as before.
TEST_F(removal_run, owner_window_named_by_handle) {
    std::string handle = std::to_string(reinterpret_cast<ULONG_PTR>(dialog));
    struct {
        const char* what;
        std::string owner_window, unwise_title;
        bool owned;
    } cases[] = {
        {"the handle, any title", handle, "No Such Installer Dialog", true},
        {"not a number", handle + "x", "No Such Installer Dialog", false},
        {"too large", "4294967296" + handle, "No Such Installer Dialog", false},
        {"no such window", "1", "No Such Installer Dialog", false},
        {"not a number, title found", "0x" + handle, dialog_title, true},
        {"a window of a program that did not start this one",
         std::to_string(reinterpret_cast<ULONG_PTR>(GetDesktopWindow())),
         "No Such Installer Dialog", false},
    };
    for (const auto& c : cases) {
        write_settings(std::string("to_kill=") + app_folder + "\r\n", c.unwise_title,
                       "owner_window=" + c.owner_window + "\r\n");
        run_outcome run = run_tool("\"" + settings + "\"", folder, IDYES);
        EXPECT_TRUE(run.question.shown) << c.what;
        EXPECT_EQ(run.question.owner, c.owned ? dialog : nullptr) << c.what;
    }
}

// A caption and a text with quotes, percent signs, braces, semicolons, blanks
// at either end and separators for lines (U+2028) and paragraphs (U+2029)
// reach the question whole, the separators as line breaks. A value in double
// quotes keeps its blanks: the profile reader drops the quotes only.
TEST_F(removal_run, texts_reach_the_question_whole) {
    std::wstring text = L"  Keep \"your\" 100% {saved} files; really?\u2028Second line\u2029Next  ";
    write_file(settings,
               utf16_file(L"[Strings]\r\nto_kill=" + wide(app_folder) + L"\r\nunwise_path=" +
                          wide(unwise_folder) + L"\r\nunwise_title=" + wide(dialog_title) +
                          L"\r\ntitle=Remove \"Tool\" 100%\r\nbody=\"" + text + L"\"\r\n"));
    run_outcome run = run_tool("\"" + settings + "\"", folder, IDYES);
    EXPECT_EQ(run.question.caption, "Remove \"Tool\" 100%");
    EXPECT_EQ(run.question.text,
              "  Keep \"your\" 100% {saved} files; really?\r\nSecond line\r\n\r\nNext  ");
}

// Started on a window station nobody sees (as a service is, in session 0),
// the run asks nothing and keeps the folder: a question nobody can answer
// is no answer.
TEST_F(removal_run, nothing_asked_where_nobody_can_see) {
    HWINSTA own = GetProcessWindowStation();
    HWINSTA unseen = CreateWindowStationW(L"remove_tree_unseen", 0, WINSTA_ALL_ACCESS, nullptr);
    ASSERT_NE(unseen, nullptr);
    USEROBJECTFLAGS flags = {};
    ASSERT_TRUE(GetUserObjectInformationW(unseen, UOI_FLAGS, &flags, sizeof flags, nullptr));
    ASSERT_EQ(flags.dwFlags & WSF_VISIBLE, 0u) << "the station is to be one nobody sees";
    ASSERT_TRUE(SetProcessWindowStation(unseen));
    HDESK desktop = CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    SetProcessWindowStation(own);
    ASSERT_NE(desktop, nullptr);

    std::string result = folder + "\\result.txt";
    write_settings(std::string("to_kill=") + app_folder + "\r\n", dialog_title,
                   "result_file=" + result + "\r\n");
    std::wstring line =
        L"\"" + wide(program_folder()) + L"\\remove_tree.exe\" \"" + wide(settings) + L"\"";
    wchar_t where[] = L"remove_tree_unseen\\Default";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.lpDesktop = where;
    PROCESS_INFORMATION process;
    ASSERT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                               wide(folder).c_str(), &startup, &process));
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0) << "it waited";
    TerminateProcess(process.hProcess, 99);
    DWORD status = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(read_file(result),
              "kept\r\nnothing asked: no user can see this program's windows\r\n");
    EXPECT_FALSE(file_exists(unwise_folder + "\\uninstaller_record.txt"));
    CloseDesktop(desktop);
    CloseWindowStation(unseen);
}

// The settings writer the MSI and Inno drop-ins start: each value arrives
// whole, whatever it holds. Two double quotes within a quoted argument stand
// for one; line breaks in the caption and text become U+2028; blanks at
// either end are kept; only a folder's value loses its trailing backslash.
TEST_F(removal_run, settings_writer_keeps_every_text) {
    std::wstring arguments = L"\"" + wide(settings) +
                             L"\" \"to_kill=C:\\Data\\\" \"unwise_title=/rollback\" "
                             L"\"title=Click \"\"Yes\"\" {100%}; \x101 \\\" "
                             L"\"body=  two\r\nlines\nand\rmore  \"";
    ASSERT_EQ(
        run_to_end(wide(program_folder()) + L"\\remove_tree_settings.exe", arguments, wide(folder)),
        0u);
    struct {
        const wchar_t* key;
        std::wstring value;
    } cases[] = {{L"to_kill", L"C:\\Data"},
                 {L"unwise_title", L"/rollback"},
                 {L"title", L"Click \"Yes\" {100%}; \x101 \\"},
                 {L"body", L"  two\u2028lines\u2028and\u2028more  "}};
    for (const auto& c : cases) {
        wchar_t value[256] = L"";
        GetPrivateProfileStringW(L"Strings", c.key, L"n/a", value, 256, wide(settings).c_str());
        EXPECT_EQ(value, c.value) << code_page(c.key);
    }
}

// A run as LocalSystem (a deployment, Windows Installer's elevated part)
// has shell folders of its own: the shell folders of every profile loaded
// now are refused too, and the folders that hold them, while a folder
// below them stays allowed.
TEST_F(removal_run, loaded_profiles_shell_folders_are_refused) {
    const std::string documents = folder + "\\Other User\\Documents", below = documents + "\\Tool";
    CreateDirectoryA((folder + "\\Other User").c_str(), nullptr);
    CreateDirectoryA(documents.c_str(), nullptr);
    CreateDirectoryA(below.c_str(), nullptr);
    const char key_name[] =
        "S-1-5-21-1-2-3-1001\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell "
        "Folders";
    HKEY key;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_USERS, key_name, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    RegSetValueExA(key, "Personal", 0, REG_SZ, reinterpret_cast<const BYTE*>(documents.c_str()),
                   static_cast<DWORD>(documents.size() + 1));
    RegCloseKey(key);
    const std::string result = folder + "\\result.txt";
    struct {
        std::string to_kill;
        const char* expected;
    } cases[] = {{documents, "refused\r\n"},
                 {folder + "\\Other User", "refused\r\n"},
                 {below, "removed\r\n"}};
    for (const auto& c : cases) {
        write_settings("to_kill=" + c.to_kill + "\r\n", "/rollback",
                       "result_file=" + result + "\r\n");
        DeleteFileA(result.c_str());
        EXPECT_EQ(run_tool("\"" + settings + "\"", folder, IDNO).exit_code, 0u) << c.to_kill;
        std::string written = read_file(result);
        EXPECT_EQ(written.substr(0, written.find('\n') + 1), c.expected) << c.to_kill;
    }
    RegDeleteTreeA(HKEY_USERS, "S-1-5-21-1-2-3-1001");
}

// A tree that is missing, "n/a", blank, a volume root or too long for its
// field: the question is still asked, then nothing is written or started.
TEST_F(removal_run, no_usable_tree_means_nothing_done) {
    const std::string cases[] = {
        "",
        "to_kill=n/a\r\n",
        "to_kill=\r\n",
        "to_kill=   \r\n",
        "to_kill=C:\\\r\n",
        "to_kill=C:\r\n",
        "to_kill=\\\\server\\share\\\r\n",
        "to_kill=C:\\" + std::string(257, 'x') + "\r\n",
    };
    for (const std::string& to_kill_line : cases) {
        write_settings(to_kill_line, dialog_title);
        run_outcome run = run_tool("\"" + settings + "\"", folder, IDNO);
        EXPECT_EQ(run.exit_code, 0u) << to_kill_line;
        EXPECT_TRUE(run.question.shown) << to_kill_line;
        EXPECT_EQ(run.question.owner, dialog) << to_kill_line;
        EXPECT_FALSE(file_exists(kill_log())) << to_kill_line;
        EXPECT_FALSE(file_exists(unwise_folder + "\\uninstaller_record.txt")) << to_kill_line;
    }
}

// A tree of 259 characters, the most a field holds, is written whole.
TEST_F(removal_run, longest_tree_is_written_whole) {
    std::string to_kill = "C:\\" + std::string(256, 'x');
    write_settings("to_kill=" + to_kill + "\r\n", "/rollback");
    run_outcome run = run_tool("\"" + settings + "\"", folder, IDNO);
    EXPECT_EQ(run.exit_code, 0u);
    expect_removal_handed_over(to_kill);
}

// The settings path in all the forms a command tail may take.
TEST_F(removal_run, settings_path_forms) {
    const std::string cases[] = {
        "\"" + settings + "\"",  // quoted, blank inside
        settings,                // unquoted: the whole tail, blanks included
        "\"" + settings + "\" ", // a blank after the closing quote
        "\"" + settings,         // no closing quote
    };
    for (const std::string& tail : cases) {
        write_settings(std::string("to_kill=") + app_folder + "\r\n", "/rollback");
        DeleteFileA((unwise_folder + "\\uninstaller_record.txt").c_str());
        run_outcome run = run_tool(tail, folder, IDNO);
        EXPECT_EQ(run.exit_code, 0u) << tail;
        EXPECT_FALSE(run.question.shown) << tail;
        expect_removal_handed_over(app_folder);
    }
}

// No settings file (a lone quote names none): the question reads "n/a", and
// nothing follows the answer.
TEST_F(removal_run, no_settings_file) {
    const std::string cases[] = {"\"", "", "\"" + folder + "\\missing.ini\""};
    for (const std::string& tail : cases) {
        run_outcome run = run_tool(tail, unwise_folder, IDNO);
        EXPECT_EQ(run.exit_code, 0u) << tail;
        EXPECT_TRUE(run.question.shown) << tail;
        EXPECT_EQ(run.question.caption, "n/a") << tail;
        EXPECT_EQ(run.question.text, "n/a") << tail;
        EXPECT_FALSE(file_exists(kill_log())) << tail;
        EXPECT_FALSE(file_exists(unwise_folder + "\\uninstaller_record.txt")) << tail;
    }
}

// A read-only leftover log is made writable, overwritten, then deleted.
TEST_F(removal_run, read_only_leftover_log) {
    write_file(kill_log(), "an older, longer log that must not survive in any part\r\n");
    SetFileAttributesA(kill_log().c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    write_settings(std::string("to_kill=") + app_folder + "\r\n", "/rollback");
    run_outcome run = run_tool("\"" + settings + "\"", folder, IDNO);
    EXPECT_EQ(run.exit_code, 0u);
    expect_removal_handed_over(app_folder);
}

// A 3-second uninstaller: the log outlives it and goes about half a second
// after it ends (one short wait, one 500 ms rest, perhaps one more of each).
TEST_F(removal_run, log_is_deleted_after_the_uninstaller_ends) {
    SetEnvironmentVariableA("RECORDING_UNINSTALLER_SECONDS", "3");
    write_settings(std::string("to_kill=") + app_folder + "\r\n", "/rollback");
    run_outcome run = run_tool("\"" + settings + "\"", folder, IDNO, kill_log());
    EXPECT_EQ(run.exit_code, 0u);
    expect_removal_handed_over(app_folder);
    double ended = std::stod(recorded(record(), "ended_at")) / 1e7;
    double delay = run.log_gone_at - ended;
    EXPECT_GE(delay, 0.49);
    EXPECT_LE(delay, 1.3);
}

// No UNWISE.EXE: no wait, no log stays, status 0.
TEST_F(removal_run, missing_uninstaller) {
    DeleteFileA((unwise_folder + "\\UNWISE.EXE").c_str());
    write_settings(std::string("to_kill=") + app_folder + "\r\n", "/rollback");
    double started = seconds_now();
    run_outcome run = run_tool("\"" + settings + "\"", folder, IDNO);
    EXPECT_EQ(run.exit_code, 0u);
    EXPECT_LT(seconds_now() - started, 5.0);
    EXPECT_FALSE(file_exists(kill_log()));
}

// An uninstaller folder that cannot be entered (not there, or a name too
// long to keep): nothing is written or started, not even an UNWISE.EXE in
// the folder the run was started in, and the result says why.
TEST_F(removal_run, uninstaller_folder_not_entered) {
    std::string too_long = folder + "\\" + std::string(400, 'p');
    // Where the name cut to 259 characters would lead.
    ASSERT_TRUE(CreateDirectoryA(too_long.substr(0, 259).c_str(), nullptr));
    const std::string result = folder + "\\result.txt";
    struct {
        const char* what;
        std::string unwise_path, why;
    } cases[] = {
        {"not there", folder + "\\no such folder",
         "unwise_path cannot be entered: " + folder + "\\no such folder"},
        {"too long to keep", too_long, "unwise_path is longer than 259 characters"},
    };
    for (const auto& c : cases) {
        write_file(settings, std::string("[Strings]\r\nto_kill=") + app_folder +
                                 "\r\nunwise_path=" + c.unwise_path +
                                 "\r\nunwise_title=/rollback\r\nresult_file=" + result + "\r\n");
        run_outcome run = run_tool("\"" + settings + "\"", unwise_folder, IDNO);
        EXPECT_EQ(run.exit_code, 0u) << c.what;
        EXPECT_FALSE(file_exists(unwise_folder + "\\uninstaller_record.txt")) << c.what;
        EXPECT_FALSE(file_exists(kill_log())) << c.what;
        EXPECT_EQ(read_file(result), "refused\r\n" + c.why + "\r\n") << c.what;
    }
}

// Someone left a KILL.LOG in the uninstaller's folder, keeps it open with
// every kind of sharing, and adds a "File Tree:" line naming a decoy to
// whatever KILL.LOG they can write the moment it holds this run's lines
// (an opportunistic lock on UNWISE.EXE gives them that moment on Windows).
// The uninstaller reads this run's four lines alone, and the decoy stays.
TEST_F(removal_run, leftover_log_kept_open_cannot_add_a_tree) {
    std::string decoy = folder + "\\decoy";
    ASSERT_TRUE(CreateDirectoryA(decoy.c_str(), nullptr));
    write_file(decoy + "\\precious.txt", "precious");
    write_file(kill_log(), "an older log\r\n");
    const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE kept = CreateFileA(kill_log().c_str(), GENERIC_READ | GENERIC_WRITE, all, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(kept, INVALID_HANDLE_VALUE);
    const std::string decoy_line = "File Tree: " + decoy + "\\*.*\r\n";
    volatile bool stop = false;
    // Appends the decoy once to a log that ends in a whole line of this run.
    auto add_decoy = [&](HANDLE log) {
        LARGE_INTEGER size;
        if (!GetFileSizeEx(log, &size) || size.QuadPart < 89 || size.QuadPart > 4096)
            return;
        std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
        DWORD got = 0;
        SetFilePointer(log, 0, nullptr, FILE_BEGIN);
        ReadFile(log, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr);
        if (bytes.find("*.*\r\n") == std::string::npos || bytes.find(decoy) != std::string::npos)
            return;
        DWORD written = 0;
        SetFilePointer(log, 0, nullptr, FILE_END);
        WriteFile(log, decoy_line.data(), static_cast<DWORD>(decoy_line.size()), &written, nullptr);
    };
    std::thread intruder([&] {
        while (!stop) {
            add_decoy(kept);
            HANDLE named = CreateFileA(kill_log().c_str(), GENERIC_READ | FILE_APPEND_DATA, all,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
            if (named != INVALID_HANDLE_VALUE) {
                add_decoy(named);
                CloseHandle(named);
            }
            Sleep(1);
        }
    });
    write_settings(std::string("to_kill=") + app_folder + "\r\n", "/rollback");
    run_outcome run = run_tool("\"" + settings + "\"", folder, IDNO);
    stop = true;
    intruder.join();
    CloseHandle(kept);
    EXPECT_EQ(run.exit_code, 0u);
    expect_removal_handed_over(app_folder);
    EXPECT_EQ(read_file(decoy + "\\precious.txt"), "precious");
}

// Spellings of a tree, one rule each, through the real program. Refused:
// the question is asked, then nothing is written or started. Accepted: the
// log carries the value byte for byte as read.
TEST_F(removal_run, tree_spellings) {
    struct {
        std::string to_kill;
        bool handed_over;
    } cases[] = {
        // the UNC marker in any case, device and volume namespaces
        {"\\\\?\\unc\\server\\share", false},
        {"\\\\?\\Volume{0d1a2b3c-0000-0000-0000-100000000000}\\", false},
        {"\\??\\C:\\", false},
        {"!:\\", false},
        // damaged names and patterns
        {"C:\\Program Files\\Example ??", false},
        {"C:\\Program Files\\Example*", false},
        // resolved by the platform: a drive that is no letter
        {"1:\\Tool", false},
        // ordinary folders in every spelling
        {"C:\\Program Files\\Example Tool\\", true},
        {"c:/apps/tool", true},
        {"..\\Tool", true},
        {"C:Tool", true},
        {"\\\\server\\share\\Apps\\Tool", true},
        {"\\\\?\\C:\\Program Files\\Tool", true},
        {"\\\\?\\UNC\\server\\share\\Tool", true},
        {"C:\\Programme\\Gr\xf6\xdf"
         "e",
         true},
    };
    for (const auto& c : cases) {
        write_settings("to_kill=" + c.to_kill + "\r\n", dialog_title);
        DeleteFileA((unwise_folder + "\\uninstaller_record.txt").c_str());
        DeleteFileA((unwise_folder + "\\seen_kill_log").c_str());
        run_outcome run = run_tool("\"" + settings + "\"", folder, IDNO);
        EXPECT_EQ(run.exit_code, 0u) << c.to_kill;
        EXPECT_TRUE(run.question.shown) << c.to_kill;
        if (c.handed_over) {
            expect_removal_handed_over(c.to_kill);
        } else {
            EXPECT_FALSE(file_exists(kill_log())) << c.to_kill;
            EXPECT_FALSE(file_exists(unwise_folder + "\\uninstaller_record.txt")) << c.to_kill;
        }
    }
}

// A log left in the uninstaller's folder never makes the tool write into,
// change or delete another file, and the uninstaller only ever gets the log
// this run wrote.
TEST_F(removal_run, leftover_logs) {
    const std::string other = folder + "\\other.txt";
    enum leftover_kind { none, plain, read_only, hard_link, held_open };
    struct {
        const char* name;
        leftover_kind kind;
        bool handed_over;
    } cases[] = {
        {"none", none, true},
        {"plain", plain, true},
        {"read-only plain", read_only, true},
        {"hard link to a read-only file", hard_link, true},
        {"held open without sharing", held_open, false},
    };
    for (const auto& c : cases) {
        DeleteFileA((unwise_folder + "\\uninstaller_record.txt").c_str());
        DeleteFileA((unwise_folder + "\\seen_kill_log").c_str());
        SetFileAttributesA(other.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(other.c_str());
        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.kind != none && c.kind != hard_link)
            write_file(kill_log(), "an older log\r\n");
        if (c.kind == read_only)
            SetFileAttributesA(kill_log().c_str(), FILE_ATTRIBUTE_READONLY);
        if (c.kind == hard_link) {
            write_file(other, "precious");
            SetFileAttributesA(other.c_str(), FILE_ATTRIBUTE_READONLY);
            ASSERT_TRUE(CreateHardLinkA(kill_log().c_str(), other.c_str(), nullptr)) << c.name;
        }
        if (c.kind == held_open) {
            held = CreateFileA(kill_log().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(held, INVALID_HANDLE_VALUE) << c.name;
        }
        write_settings(std::string("to_kill=") + app_folder + "\r\n", "/rollback");
        run_outcome run = run_tool("\"" + settings + "\"", folder, IDNO);
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
        EXPECT_EQ(run.exit_code, 0u) << c.name;
        if (c.handed_over) {
            expect_removal_handed_over(app_folder);
        } else {
            EXPECT_FALSE(file_exists(unwise_folder + "\\uninstaller_record.txt")) << c.name;
            EXPECT_EQ(read_file(kill_log()), "an older log\r\n") << c.name;
        }
        if (c.kind == hard_link) {
            EXPECT_EQ(read_file(other), "precious") << c.name;
            EXPECT_EQ(GetFileAttributesA(other.c_str()) & FILE_ATTRIBUTE_READONLY,
                      static_cast<DWORD>(FILE_ATTRIBUTE_READONLY))
                << c.name;
        }
        // Clear whatever was set aside or left for the next case.
        SetFileAttributesA(kill_log().c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(kill_log().c_str());
    }
}
