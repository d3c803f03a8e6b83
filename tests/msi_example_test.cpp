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

// Runs msiexec with `arguments`, answering the question Windows Installer
// shows for the drop-in meanwhile with `answer` (No when it is 0).
static question_answered msiexec(const std::wstring& arguments, int answer = 0) {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    return run_answering(std::wstring(system) + L"\\msiexec.exe", arguments, wide(program_folder()),
                         "Windows Installer", answer != 0 ? answer : IDNO);
}

// How many folders the removal staged its tools in are still there; with
// `clear`, they go.
static unsigned staging_folders_left(bool clear = false) {
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    std::wstring temp = std::wstring(windows) + L"\\Temp\\";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((temp + L"RemoveTree.*").c_str(), &found);
    unsigned count = 0;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            ++count;
            if (clear)
                remove_test_folder(code_page(temp + found.cFileName));
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return count;
}

// The users' uninstalls, each way Windows Installer runs one: where its
// user interface shows modal boxes (the maintenance wizard's full UI,
// Programs and Features' basic UI, /qb) it asks, and No removes; where it
// shows none (/qn, /passive) the folder is kept unasked unless REMOVEDATA
// says otherwise; a folder whose name holds the characters a shell would
// cut or read ("&", "%", "^", a blank), beside folders named like what a
// shell would make of it. The decision and the result are in the log.
TEST(msi_example, install_and_uninstall) {
    const std::wstring package = wide(program_folder()) + L"\\example_tool.msi";
    const std::wstring tools = program_files_x86() + L"\\Example Tool Uninstall";
    const std::wstring default_folder = program_files_x86() + L"\\Example Tool";
    const std::wstring log = wide(program_folder()) + L"\\uninstall.log";
    struct {
        const char* name;
        std::wstring folder; // installed to; the default when empty
        const wchar_t* ui;   // how the uninstall runs
        int answer;          // 0: nothing is asked
        bool removed;
        const char* decided; // what the log says of the decision
    } cases[] = {
        {"silent", L"", L"/qn", 0, false, "keep (nothing asked at this user interface level"},
        {"passive", L"", L"/passive", 0, false, "keep (nothing asked"},
        {"silent, told to remove", L"", L"/qn REMOVEDATA=1", 0, true, "remove (REMOVEDATA=1)"},
        {"basic UI, answered No", L"S:\\Example Tool", L"/qb", IDNO, true,
         "remove (the answer was No)"},
        {"full UI, answered Yes", L"S:\\Example Tool", L"", IDYES, false,
         "keep (the answer was Yes)"},
        {"told to keep", L"S:\\Example Tool", L"REMOVEDATA=0", 0, false, "keep (REMOVEDATA=0)"},
        {"a name a shell would cut", L"S:\\R&D 100% ^Tool", L"/qn REMOVEDATA=1", 0, true,
         "remove (REMOVEDATA=1)"},
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

        DeleteFileW(log.c_str());
        question_answered run =
            msiexec(L"/x \"" + package + L"\" " + c.ui + L" /l*v \"" + log + L"\"", c.answer);
        EXPECT_EQ(run.status, 0u) << c.name;
        EXPECT_EQ(run.asked, c.answer != 0) << c.name;
        if (run.asked) {
            EXPECT_EQ(run.text, L"Do you want to keep your saved files and settings?\r\n"
                                L"Click \"No\" to remove [all of] them, 100% and for good.")
                << c.name;
        }
        std::string logged = read_file(log);
        std::string named = code_page(folder) + "\\";
        EXPECT_NE(logged.find("remove_tree: decided for " + named + ": " + c.decided),
                  std::string::npos)
            << c.name;
        EXPECT_EQ(logged.find("remove_tree: result for " + named + ": removed") !=
                      std::string::npos,
                  c.removed)
            << c.name;
        if (c.removed) {
            EXPECT_FALSE(file_exists(folder)) << c.name;
        } else {
            EXPECT_TRUE(installed_tree_whole(folder)) << c.name;
        }
        EXPECT_FALSE(file_exists(tools)) << c.name << ": the tools folder is left";
        EXPECT_EQ(staging_folders_left(), 0u) << c.name;
        remove_test_folder(code_page(folder));
    }
    for (const std::wstring& folder : look_alikes)
        EXPECT_EQ(read_file(folder + L"\\other product.txt"), "stays") << code_page(folder);
}

// An uninstall in which the decision did not run (here its entry is not in
// the DLL: it fails, and the uninstall goes on) removes nothing, whatever
// the command line says of the decision or of the removal's data.
TEST(msi_example, no_decision_removes_nothing) {
    const std::wstring package = wide(program_folder()) + L"\\example_tool_no_decision.msi";
    const std::wstring folder = L"S:\\Undecided Tool";
    ASSERT_EQ(msiexec(L"/i \"" + package + L"\" /qn INSTALLDIR=\"" + folder + L"\"").status, 0u);
    ASSERT_TRUE(installed_tree_whole(folder));
    question_answered run =
        msiexec(L"/x \"" + package +
                L"\" /qn REMOVETREE_DECISION=remove RemoveTreeDecision=remove "
                L"RemoveTreeRun=\"C:\\windows\\Temp|" +
                folder + L"\" RemoveTreeRunNow=\"C:\\windows\\Temp|" + folder + L"\"");
    EXPECT_EQ(run.status, 0u);
    EXPECT_TRUE(installed_tree_whole(folder));
    remove_test_folder(code_page(folder));
}

// What is left for the next restart makes Windows Installer ask for one:
// msiexec ends with 3010. Under Wine nothing is left for a restart (all its
// folders belong to the user), so the stand-in UNWISE.EXE of the second
// package reports it.
TEST(msi_example, restart_needed_is_reported) {
    const std::wstring package = wide(program_folder()) + L"\\example_tool_standin.msi";
    const std::wstring tools = program_files_x86() + L"\\Example Tool Uninstall";
    for (DWORD status : {3010u, 0u}) {
        ASSERT_EQ(msiexec(L"/i \"" + package + L"\" /qn INSTALLDIR=\"S:\\Stand-in Tool\"").status,
                  0u);
        SetEnvironmentVariableA("RECORDING_UNINSTALLER_EXIT", std::to_string(status).c_str());
        DWORD ended = msiexec(L"/x \"" + package + L"\" /qn REMOVEDATA=1").status;
        SetEnvironmentVariableA("RECORDING_UNINSTALLER_EXIT", nullptr);
        EXPECT_EQ(ended, status);
        // The stand-in leaves its record beside it, in the staging folder.
        staging_folders_left(true);
        remove_test_folder("S:\\Stand-in Tool");
        remove_test_folder(code_page(tools));
    }
}
