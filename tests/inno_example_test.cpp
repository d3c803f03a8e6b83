// Builds on examples/inno: installs the sample application with the Inno
// Setup installer and uninstalls it the way its users do, silently and with
// the question answered, with remove_tree.exe and the project's UNWISE.EXE
// run from the uninstaller's code. Only ever run in the scratch prefix
// (tools/run-in-scratch-prefix), whose drives are its own C: and S:.
#include "child_process.h"
#include "test_files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

static const wchar_t* const kept_files[] = {L"readme.txt", L"bin\\example.ini"};

static std::wstring scratch() {
    return wide(program_folder());
}

// Installs into `folder`, silently; the installer's exit status.
static DWORD install(const std::wstring& folder) {
    return run_to_end(scratch() + L"\\example_tool_inno_setup.exe",
                      L"/VERYSILENT /SUPPRESSMSGBOXES /NORESTART \"/DIR=" + folder + L"\"",
                      scratch());
}

// What the user saw and did during one uninstall.
struct uninstall_seen {
    DWORD status = STILL_ACTIVE;
    bool asked = false;
    HWND question_owner = nullptr;
    std::string owner_class;
    std::wstring text;
    bool topmost = false;
    bool restart_offered = false; // Inno asked to restart; answered No
};

// Runs the uninstaller in `folder` with `arguments`; Inno's own boxes
// ("Are you sure...?", "...was removed") are answered Yes or OK, and the
// question with `answer`. Inno's uninstaller runs from a copy of itself in
// the temporary folder: that copy is the one waited for.
static uninstall_seen uninstall(const std::wstring& folder, const std::wstring& arguments,
                                int answer) {
    uninstall_seen seen;
    PROCESS_INFORMATION launcher;
    if (!start_program(folder + L"\\unins000.exe", arguments, scratch(), launcher))
        return seen;
    CloseHandle(launcher.hThread);
    HANDLE copy = nullptr;
    auto answer_boxes = [&] {
        if (HWND box = visible_dialog_titled("Example Tool Uninstall", true)) {
            // Inno's offer to restart is declined: under Wine a restart
            // would end the prefix's programs.
            bool restart = message_box_text(box).find(L"restart") != std::wstring::npos;
            seen.restart_offered |= restart;
            HWND button = restart                             ? GetDlgItem(box, IDNO)
                          : GetDlgItem(box, IDYES) != nullptr ? GetDlgItem(box, IDYES)
                                                              : GetDlgItem(box, IDOK);
            PostMessageA(button, BM_CLICK, 0, 0);
        }
        HWND question = visible_dialog_titled("Example Tool", true);
        if (question != nullptr && !seen.asked) {
            seen.asked = true;
            seen.question_owner = GetWindow(question, GW_OWNER);
            char name[64] = "";
            if (seen.question_owner != nullptr)
                GetClassNameA(seen.question_owner, name, sizeof name);
            seen.owner_class = name;
            seen.text = message_box_text(question);
            seen.topmost = (GetWindowLongA(question, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
            PostMessageA(GetDlgItem(question, answer != 0 ? answer : IDNO), BM_CLICK, 0, 0);
        }
        if (copy == nullptr)
            copy = child_of(launcher.dwProcessId);
    };
    wait_for_process(launcher.hProcess, 300000, answer_boxes);
    CloseHandle(launcher.hProcess);
    if (copy != nullptr) {
        wait_for_process(copy, 300000, answer_boxes);
        seen.status = exit_status(copy);
    }
    return seen;
}

// Any file named `name` left under `folder`.
static bool left_under(const std::wstring& folder, const wchar_t* name) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool found = false;
    do {
        std::wstring entry_name = entry.cFileName;
        if (entry_name == L"." || entry_name == L"..")
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            found |= left_under(folder + L"\\" + entry_name, name);
        else
            found |= _wcsicmp(entry.cFileName, name) == 0;
    } while (!found && FindNextFileW(search, &entry));
    FindClose(search);
    return found;
}

static std::wstring temp_folder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return temp;
}

// The user's uninstalls: silent (the folder kept unless /REMOVEDATA says
// otherwise), silent without /SUPPRESSMSGBOXES (asked, in front of every
// window), asked over the uninstall window and answered No or Yes, and one
// installed to a folder whose name holds what a shell would cut or read
// ("&", "%", "^", a blank) and a letter the code page lacks, beside folders
// named like what a shell or best fit would make of it.
TEST(inno_example, install_and_uninstall) {
    const std::wstring plain = L"S:\\Example Tool";
    struct {
        const char* name;
        std::wstring folder;
        const wchar_t* arguments;
        int answer; // 0: nothing is asked
        bool owned, data_removed;
        const char* decided; // what the uninstall log says of the decision; null: not looked at
    } cases[] = {
        {"silent", plain, L"/VERYSILENT /SUPPRESSMSGBOXES", 0, false, false,
         "keep (a silent uninstall without message boxes; RemoveTreeSilent is keep)"},
        {"silent, told to remove", plain, L"/VERYSILENT /SUPPRESSMSGBOXES /REMOVEDATA", 0, false,
         true, "remove (/REMOVEDATA)"},
        {"silent, a product's own switch", plain,
         L"/VERYSILENT /SUPPRESSMSGBOXES /REMOVEDATABASE=1", 0, false, false, nullptr},
        {"silent, boxes shown", plain, L"/VERYSILENT", IDNO, false, true, nullptr},
        {"asked, answered No", plain, L"", IDNO, true, true, "remove (the answer was No)"},
        {"asked, answered Yes", plain, L"", IDYES, true, false, "keep (the answer was Yes)"},
        {"asked, told to keep", plain, L"/KEEPDATA", 0, false, false, "keep (/KEEPDATA)"},
        {"a name a shell would cut", L"S:\\R&D 100% ^Tool \x101",
         L"/VERYSILENT /SUPPRESSMSGBOXES /REMOVEDATA", 0, false, true, nullptr},
    };
    const std::wstring log = L"S:\\uninstall.log";
    const std::wstring look_alikes[] = {L"S:\\R", L"S:\\R&D", L"S:\\R&D 100",
                                        L"S:\\R&D 100% ^Tool a"};
    for (const std::wstring& folder : look_alikes) {
        CreateDirectoryW(folder.c_str(), nullptr);
        write_file(folder + L"\\other product.txt", "stays");
    }
    for (const auto& c : cases) {
        const std::wstring data = c.folder + L"\\data\\notes.txt";
        ASSERT_EQ(install(c.folder), 0u) << c.name;
        ASSERT_TRUE(file_exists(data)) << c.name;
        DeleteFileW(log.c_str());
        uninstall_seen seen =
            uninstall(c.folder, std::wstring(c.arguments) + L" \"/LOG=" + log + L"\"", c.answer);
        EXPECT_EQ(seen.status, 0u) << c.name;
        if (c.decided != nullptr) {
            // The uninstall log: what was decided and what became of the folder.
            std::string logged = read_file(log), data_folder = code_page(c.folder) + "\\data";
            EXPECT_NE(logged.find("remove_tree: decided for " + data_folder + ": " + c.decided),
                      std::string::npos)
                << c.name;
            EXPECT_NE(logged.find(std::string("remove_tree: result for ") + data_folder + ": " +
                                  (c.data_removed ? "removed" : "kept")),
                      std::string::npos)
                << c.name;
        }
        EXPECT_EQ(seen.asked, c.answer != 0) << c.name;
        if (seen.asked) {
            EXPECT_EQ(seen.text, L"Do you want to keep your saved files and settings?\r\n"
                                 L"Click \"No\" to remove them, 100% \u2192 for good.")
                << c.name;
            EXPECT_EQ(seen.owner_class, c.owned ? "TUninstallProgressForm" : "") << c.name;
            EXPECT_EQ(seen.topmost, !c.owned) << c.name;
        }
        if (c.data_removed) {
            EXPECT_FALSE(file_exists(c.folder + L"\\data")) << c.name;
        } else {
            EXPECT_EQ(read_file(data), read_file(wide(program_folder()) + L"\\notes.txt"))
                << c.name;
        }
        for (const wchar_t* name : kept_files)
            EXPECT_FALSE(file_exists(c.folder + L"\\" + name)) << c.name << ": Inno's own files";
        EXPECT_FALSE(left_under(temp_folder(), L"KILL.LOG")) << c.name;
        EXPECT_FALSE(left_under(temp_folder(), L"remove_tree.ini")) << c.name;
        remove_test_folder(code_page(c.folder));
    }
    for (const std::wstring& folder : look_alikes)
        EXPECT_EQ(read_file(folder + L"\\other product.txt"), "stays") << code_page(folder);
}

// What is left for the next restart makes Inno offer the restart after its
// uninstall (UninstallNeedRestart). Under Wine nothing is left for a
// restart (all its folders belong to the user), so the recording stand-in
// takes UNWISE.EXE's place among the installed tools, which the
// uninstaller copies when it runs, and reports it.
TEST(inno_example, restart_needed_is_offered) {
    const std::wstring folder = L"S:\\Stand-in Tool";
    for (const char* status : {"3010", "0"}) {
        ASSERT_EQ(install(folder), 0u) << status;
        ASSERT_TRUE(CopyFileW((scratch() + L"\\recording_uninstaller.exe").c_str(),
                              (folder + L"\\uninstall\\UNWISE.EXE").c_str(), FALSE));
        SetEnvironmentVariableA("RECORDING_UNINSTALLER_EXIT", status);
        uninstall_seen seen = uninstall(folder, L"", IDNO);
        SetEnvironmentVariableA("RECORDING_UNINSTALLER_EXIT", nullptr);
        EXPECT_TRUE(seen.asked) << status;
        EXPECT_EQ(seen.restart_offered, std::string(status) == "3010") << status;
        remove_test_folder(code_page(folder));
    }
}
