// Builds on examples/msi: installs the sample application with the MSI
// package under Wine's msiexec and uninstalls it silently and with the
// question answered, the way its users do. Only ever run in the scratch
// prefix (tools/run-in-scratch-prefix), whose drives are its own C: and S:.
#include "child_process.h"
#include "test_files.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <string>

static const wchar_t* const installed_files[] = {L"readme.txt", L"bin\\example.ini",
                                                 L"data\\notes.txt"};

static bool installed_tree_whole(const std::wstring& folder) {
    for (const wchar_t* name : installed_files)
        if (!file_exists(folder + L"\\" + name))
            return false;
    return true;
}

static std::wstring program_files_x86() {
    wchar_t path[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILESX86, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

// Runs msiexec with `arguments`, answering the question remove_tree.exe
// asks meanwhile with `answer` (No when it is 0).
static question_answered msiexec(const std::wstring& arguments, int answer = 0) {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    return run_answering(std::wstring(system) + L"\\msiexec.exe", arguments, wide(program_folder()),
                         "Example Tool", answer != 0 ? answer : IDNO);
}

// The user's uninstalls: silent (the folder kept unless REMOVEDATA=1 says
// otherwise), asked in front of every window and answered No or Yes, told
// to keep, and a folder whose name holds the characters a shell would cut
// or read ("&", "%", "^", a blank), beside folders named like what a shell
// would make of it.
TEST(msi_example, install_and_uninstall) {
    const std::wstring package = wide(program_folder()) + L"\\example_tool.msi";
    const std::wstring tools = program_files_x86() + L"\\Example Tool Uninstall";
    const std::wstring default_folder = program_files_x86() + L"\\Example Tool";
    struct {
        const char* name;
        std::wstring folder; // installed to; the default when empty
        const wchar_t* ui;   // how the uninstall runs
        int answer;          // 0: nothing is asked
        bool removed;
    } cases[] = {
        {"silent", L"", L"/qn", 0, false},
        {"silent, told to remove", L"", L"/qn REMOVEDATA=1", 0, true},
        {"passive, told to remove", L"", L"/passive REMOVEDATA=1", 0, true},
        {"asked, answered No", L"S:\\Example Tool", L"", IDNO, true},
        {"asked, answered Yes", L"S:\\Example Tool", L"", IDYES, false},
        {"told to keep", L"S:\\Example Tool", L"REMOVEDATA=0", 0, false},
        {"a name a shell would cut", L"S:\\R&D 100% ^Tool", L"/qn REMOVEDATA=1", 0, true},
    };
    // What a shell would make of the last name: cut at "&", or expanded.
    const std::wstring look_alikes[] = {L"S:\\R", L"S:\\R&D", L"S:\\R&D 100"};
    for (const std::wstring& folder : look_alikes) {
        CreateDirectoryW(folder.c_str(), nullptr);
        write_file(folder + L"\\other product.txt", "stays");
    }
    for (const auto& c : cases) {
        std::wstring folder = c.folder.empty() ? default_folder : c.folder;
        std::wstring install = L"/i \"" + package + L"\" /qn";
        // PROPERTY="value", without the trailing backslash that msiexec's
        // parser may read as an escaped quote (Wine 10's answers 1639): the
        // installer gives a folder's property its own.
        if (!c.folder.empty())
            install += L" INSTALLDIR=\"" + c.folder + L"\"";
        ASSERT_EQ(msiexec(install).status, 0u) << c.name;
        ASSERT_TRUE(installed_tree_whole(folder)) << c.name;
        ASSERT_TRUE(file_exists(tools + L"\\remove_tree.exe")) << c.name;

        question_answered run = msiexec(L"/x \"" + package + L"\" " + c.ui, c.answer);
        EXPECT_EQ(run.status, 0u) << c.name;
        EXPECT_EQ(run.asked, c.answer != 0) << c.name;
        if (run.asked) {
            // Windows Installer's windows are no standard dialogs: no owner,
            // in front of every window.
            EXPECT_EQ(run.owner, nullptr) << c.name;
            EXPECT_TRUE(run.topmost) << c.name;
            EXPECT_EQ(run.text, L"Do you want to keep your saved files and settings?\r\n"
                                L"Click \"No\" to remove [all of] them, 100% and for good.")
                << c.name;
        }
        if (c.removed) {
            EXPECT_FALSE(file_exists(folder)) << c.name;
        } else {
            EXPECT_TRUE(installed_tree_whole(folder)) << c.name;
        }
        EXPECT_FALSE(file_exists(tools + L"\\KILL.LOG")) << c.name;
        EXPECT_FALSE(file_exists(tools + L"\\remove_tree.ini")) << c.name;
        EXPECT_FALSE(file_exists(tools)) << c.name << ": the tools folder is left";
        remove_test_folder(code_page(folder));
    }
    for (const std::wstring& folder : look_alikes)
        EXPECT_EQ(read_file(folder + L"\\other product.txt"), "stays") << code_page(folder);
}

// What is left for the next restart makes Windows Installer ask for one:
// msiexec ends with 3010. Under Wine nothing is left for a restart (all its
// folders belong to the user), so the stand-in UNWISE.EXE of the second
// package reports it.
TEST(msi_example, restart_needed_is_reported) {
    const std::wstring package = wide(program_folder()) + L"\\example_tool_standin.msi";
    // The stand-in leaves its record in the tools folder: it goes too.
    const std::wstring tools = program_files_x86() + L"\\Example Tool Uninstall";
    for (DWORD status : {3010u, 0u}) {
        ASSERT_EQ(msiexec(L"/i \"" + package + L"\" /qn INSTALLDIR=\"S:\\Stand-in Tool\"").status,
                  0u);
        SetEnvironmentVariableA("RECORDING_UNINSTALLER_EXIT", std::to_string(status).c_str());
        DWORD ended = msiexec(L"/x \"" + package + L"\" /qn REMOVEDATA=1").status;
        SetEnvironmentVariableA("RECORDING_UNINSTALLER_EXIT", nullptr);
        EXPECT_EQ(ended, status);
        remove_test_folder("S:\\Stand-in Tool");
        remove_test_folder(code_page(tools));
    }
}
