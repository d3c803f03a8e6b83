// Builds on examples/nsis: installs the sample application with the NSIS
// installer and uninstalls it the way its user does, with remove_tree.exe
// and the project's UNWISE.EXE inside the NSIS uninstaller. Only ever run in
// the scratch prefix (tools/run-in-scratch-prefix), whose drives are its own
// C: and S:.
#include "child_process.h"
#include "test_files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

static const std::string install_dir = "S:\\Example Tool";
static const char* const installed_files[] = {"readme.txt", "bin\\example.ini", "data\\notes.txt",
                                              "uninstall.exe"};

// Runs a program to its end; its exit status, or STILL_ACTIVE on time-out.
static DWORD run_to_end(const std::string& program, const std::string& arguments) {
    PROCESS_INFORMATION process;
    DWORD status = STILL_ACTIVE;
    if (!start_program(program, arguments, program_folder(), process))
        return status;
    WaitForSingleObject(process.hProcess, 60000);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status;
}

// An NSIS uninstaller copies itself to the temporary folder, starts the copy
// and ends: the copy is the one to watch.
static HANDLE start_uninstaller(const std::string& arguments,
                                const std::wstring& folder = wide(install_dir)) {
    PROCESS_INFORMATION launcher;
    if (!start_program(folder + L"\\uninstall.exe", wide(arguments), wide(program_folder()),
                       launcher))
        return nullptr;
    WaitForSingleObject(launcher.hProcess, 30000);
    CloseHandle(launcher.hThread);
    CloseHandle(launcher.hProcess);
    return child_of(launcher.dwProcessId);
}

// Waits for the process to end (60 s at most); one that did not is ended,
// so that no uninstaller outlives its case.
static DWORD wait_for_end(HANDLE process) {
    DWORD status = STILL_ACTIVE;
    WaitForSingleObject(process, 60000);
    GetExitCodeProcess(process, &status);
    if (status == STILL_ACTIVE)
        TerminateProcess(process, 99);
    CloseHandle(process);
    return status;
}

// A visible dialog whose title is, or begins with, `title`; waits up to 60 s.
static HWND wait_for_dialog(const char* title, bool exact) {
    HWND found = nullptr;
    wait_until([&] { return (found = visible_dialog_titled(title, exact)) != nullptr; }, 60000);
    return found;
}

static bool installed_tree_whole() {
    for (const char* name : installed_files)
        if (!file_exists(install_dir + "\\" + name))
            return false;
    return true;
}

// Any KILL.LOG left under `folder`.
static bool kill_log_under(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool found = false;
    do {
        std::string name = entry.cFileName;
        if (name == "." || name == "..")
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            found |= kill_log_under(folder + "\\" + name);
        else
            found |= _stricmp(name.c_str(), "KILL.LOG") == 0;
    } while (!found && FindNextFileA(search, &entry));
    FindClose(search);
    return found;
}

static std::string temp_folder() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    return temp;
}

static BOOL CALLBACK find_list(HWND window, LPARAM context) {
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) != "SysListView32")
        return TRUE;
    *reinterpret_cast<HWND*>(context) = window;
    return FALSE;
}

static std::wstring clipboard_text() {
    std::wstring text;
    if (!OpenClipboard(nullptr))
        return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t* held = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = held;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// A visible popup menu of the process `process_id`, or null.
static HWND menu_of(DWORD process_id) {
    for (HWND menu = FindWindowExA(nullptr, nullptr, "#32768", nullptr); menu != nullptr;
         menu = FindWindowExA(nullptr, menu, "#32768", nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(menu, &owner);
        if (owner == process_id && IsWindowVisible(menu))
            return menu;
    }
    return nullptr;
}

// The lines of the uninstaller's details, as the details list's own menu
// item "Copy Details To Clipboard" gives them (another process cannot read
// the list where 32-bit programs run through qemu: their memory is not where
// the platform's calls look for it). A menu that did not come up, or did
// not take the keys, is closed and opened again, so none is left open.
static std::wstring details_of(HWND window) {
    HWND list = nullptr;
    EnumChildWindows(window, find_list, reinterpret_cast<LPARAM>(&list));
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    if (list == nullptr)
        return L"";
    RECT place;
    GetWindowRect(list, &place);
    std::wstring text;
    for (int attempt = 0; attempt < 5 && text.find(L"remove_tree: result") == std::wstring::npos;
         ++attempt) {
        if (OpenClipboard(nullptr)) {
            EmptyClipboard();
            CloseClipboard();
        }
        PostMessageW(GetParent(list), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list),
                     MAKELPARAM((place.left + place.right) / 2, (place.top + place.bottom) / 2));
        HWND menu = nullptr;
        if (wait_until([&] { return (menu = menu_of(process_id)) != nullptr; }, 15000)) {
            PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
        }
        wait_until(
            [&] {
                text = clipboard_text();
                return text.find(L"remove_tree: result") != std::wstring::npos;
            },
            15000);
        if ((menu = menu_of(process_id)) != nullptr)
            PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        wait_until([&] { return menu_of(process_id) == nullptr; }, 15000);
    }
    return text;
}

class nsis_example : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(run_to_end(program_folder() + "\\example_tool_setup.exe", "/S /D=" + install_dir),
                  0u);
        ASSERT_TRUE(installed_tree_whole());
    }
    void TearDown() override {
        remove_test_folder(install_dir);
    }
};

// The user presses Uninstall and answers the question over the uninstaller's
// own window, which keeps answering messages while the question is up; the
// details then say what was decided and what became of the folder.
TEST_F(nsis_example, interactive_uninstall) {
    struct {
        const char* name;
        int answer;
        bool removed;
        const wchar_t *decided, *result;
    } cases[] = {
        {"answer No", IDNO, true, L"remove (the answer was No)", L"removed"},
        {"answer Yes", IDYES, false, L"keep (the answer was Yes)", L"kept; the answer was Yes"},
    };
    for (const auto& c : cases) {
        if (!file_exists(install_dir))
            SetUp();
        HANDLE uninstaller = start_uninstaller("");
        ASSERT_NE(uninstaller, nullptr) << c.name;
        HWND window = wait_for_dialog("Example Tool Uninstall", false);
        ASSERT_NE(window, nullptr) << c.name;
        PostMessageA(GetDlgItem(window, IDOK), BM_CLICK, 0, 0);

        HWND question = wait_for_dialog("Example Tool", true);
        ASSERT_NE(question, nullptr) << c.name;
        EXPECT_EQ(GetWindow(question, GW_OWNER), window) << c.name;
        EXPECT_EQ(message_box_text(question),
                  L"Do you want to keep your saved files and settings?\r\nAnswer \"No\" to "
                  L"remove all of \"" +
                      wide(install_dir) + L"\" (100%) \u2192 for good.")
            << c.name;
        DWORD_PTR result = 0;
        EXPECT_NE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result), 0)
            << c.name << ": the uninstaller's window does not answer";
        char caption[256] = "";
        GetWindowTextA(window, caption, sizeof caption);
        EXPECT_STREQ(caption, "Example Tool Uninstall: Uninstalling") << c.name;
        PostMessageA(GetDlgItem(question, c.answer), BM_CLICK, 0, 0);

        // Done: the page's button closes the window.
        HWND close = GetDlgItem(window, IDOK);
        EXPECT_TRUE(wait_until(
            [&] {
                char text[32] = "";
                GetWindowTextA(close, text, sizeof text);
                return IsWindowEnabled(close) && std::string(text) == "&Close";
            },
            60000))
            << c.name;
        std::wstring details = details_of(window);
        const std::wstring folder = wide(install_dir);
        EXPECT_NE(details.find(L"remove_tree: decided for " + folder + L": " + c.decided + L"\r\n"),
                  std::wstring::npos)
            << c.name << ": " << code_page(details);
        EXPECT_NE(details.find(L"remove_tree: result for " + folder + L": " + c.result + L"\r\n"),
                  std::wstring::npos)
            << c.name << ": " << code_page(details);
        PostMessageA(close, BM_CLICK, 0, 0);

        EXPECT_EQ(wait_for_end(uninstaller), 0u) << c.name;
        EXPECT_EQ(file_exists(install_dir), !c.removed) << c.name;
        if (!c.removed) {
            EXPECT_TRUE(installed_tree_whole()) << c.name;
        }
        EXPECT_FALSE(kill_log_under(temp_folder())) << c.name;
    }
}

// A silent uninstall asks nothing and keeps the folder, unless its command
// line says /REMOVEDATA, as a whole option; the usual upgrade, the old
// uninstaller run silently in place (_?=), keeps it too.
TEST_F(nsis_example, silent_uninstall) {
    struct {
        const char* arguments;
        bool in_place, removed;
    } cases[] = {{"/S", false, false},
                 {"/S /REMOVEDATA", false, true},
                 {"/S /KEEPDATA", false, false},
                 {"/S /REMOVEDATA /KEEPDATA", false, false},
                 {"/S /REMOVEDATABASE=1", false, false},
                 {"/S /removedata", false, true},
                 {"/S _?=", true, false}};
    for (const auto& c : cases) {
        if (!file_exists(install_dir))
            SetUp();
        HANDLE uninstaller = nullptr;
        if (c.in_place) {
            PROCESS_INFORMATION process;
            ASSERT_TRUE(start_program(wide(install_dir) + L"\\uninstall.exe",
                                      wide(c.arguments + install_dir), wide(program_folder()),
                                      process));
            CloseHandle(process.hThread);
            uninstaller = process.hProcess;
        } else {
            uninstaller = start_uninstaller(c.arguments);
        }
        ASSERT_NE(uninstaller, nullptr) << c.arguments;
        bool asked = false;
        wait_for_process(uninstaller, 60000,
                         [&] { asked |= visible_dialog_titled("Example Tool", true) != nullptr; });
        EXPECT_FALSE(asked) << c.arguments;
        EXPECT_EQ(wait_for_end(uninstaller), 0u) << c.arguments;
        if (c.removed) {
            EXPECT_FALSE(file_exists(install_dir)) << c.arguments;
        } else {
            EXPECT_TRUE(file_exists(install_dir + "\\readme.txt")) << c.arguments;
            EXPECT_TRUE(file_exists(install_dir + "\\data\\notes.txt")) << c.arguments;
        }
        EXPECT_FALSE(kill_log_under(temp_folder())) << c.arguments;
    }
}

// What is left for the next restart sets the uninstaller's reboot flag, and
// the example then ends with 3010, as msiexec does. Under Wine nothing is
// left for a restart (all its folders belong to the user), so the stand-in
// UNWISE.EXE of the second build reports it.
TEST(nsis_example_restart, restart_needed_sets_the_reboot_flag) {
    const std::wstring folder = L"S:\\Stand-in Tool";
    PROCESS_INFORMATION setup;
    ASSERT_TRUE(start_program(wide(program_folder()) + L"\\example_tool_standin_setup.exe",
                              L"/S /D=" + folder, wide(program_folder()), setup));
    EXPECT_EQ(wait_for_end(setup.hProcess), 0u);
    CloseHandle(setup.hThread);
    for (const char* status : {"3010", "0"}) {
        SetEnvironmentVariableA("RECORDING_UNINSTALLER_EXIT", status);
        HANDLE uninstaller = start_uninstaller("/S /REMOVEDATA", folder);
        SetEnvironmentVariableA("RECORDING_UNINSTALLER_EXIT", nullptr);
        ASSERT_NE(uninstaller, nullptr);
        EXPECT_EQ(wait_for_end(uninstaller), std::strtoul(status, nullptr, 10)) << status;
    }
    remove_test_folder(code_page(folder));
}

// Installed to a folder whose name the code page lacks, beside the folder
// best fit would make of that name: the uninstall removes the folder
// installed to, and the look-alike stays.
TEST(nsis_example_names, install_folder_outside_the_code_page) {
    const std::wstring folder = L"S:\\Tool \x101", look_alike = L"S:\\Tool a";
    CreateDirectoryW(look_alike.c_str(), nullptr);
    write_file(look_alike + L"\\other product.txt", "stays");
    PROCESS_INFORMATION setup;
    ASSERT_TRUE(start_program(wide(program_folder()) + L"\\example_tool_setup.exe",
                              L"/S /D=" + folder, wide(program_folder()), setup));
    EXPECT_EQ(wait_for_end(setup.hProcess), 0u);
    CloseHandle(setup.hThread);
    ASSERT_TRUE(file_exists(folder + L"\\readme.txt"));

    HANDLE uninstaller = start_uninstaller("/S /REMOVEDATA", folder);
    ASSERT_NE(uninstaller, nullptr);
    EXPECT_EQ(wait_for_end(uninstaller), 0u);
    EXPECT_FALSE(file_exists(folder));
    EXPECT_EQ(read_file(look_alike + L"\\other product.txt"), "stays");
    remove_test_folder(code_page(look_alike));
}
