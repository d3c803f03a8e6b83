// Installs and uninstalls an installer tests/release_archive_test.sh built
// from the release archive alone, one case per family, as its user does:
// the uninstall asks, the answer is No, the installed folder goes and a
// neighbour named like it stays. Only ever run in the scratch prefix
// (tools/run-in-scratch-prefix), whose drives are its own C: and S:.
#include "child_process.h"
#include "test_files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

static std::wstring scratch() {
    return wide(program_folder());
}

// What one uninstall showed.
struct uninstall_seen {
    DWORD status = STILL_ACTIVE;
    bool asked = false;
};

// Runs an uninstaller that starts a copy of itself and ends (NSIS, Inno):
// the installer's own confirmation ("<title> Uninstall") is accepted, the
// question titled `question` is answered No, and the copy is waited for.
static uninstall_seen uninstall_through_copy(const std::wstring& program, const char* confirmation,
                                             const char* question) {
    uninstall_seen seen;
    PROCESS_INFORMATION launcher;
    if (!start_program(program, L"", scratch(), launcher))
        return seen;
    CloseHandle(launcher.hThread);
    HANDLE copy = nullptr;
    auto play_the_user = [&] {
        if (HWND box = visible_dialog_titled(confirmation, false)) {
            for (int button : {IDOK, IDYES})
                if (HWND found = GetDlgItem(box, button))
                    PostMessageA(found, BM_CLICK, 0, 0);
        }
        HWND asked = visible_dialog_titled(question, true);
        if (asked != nullptr && !seen.asked) {
            seen.asked = true;
            PostMessageA(GetDlgItem(asked, IDNO), BM_CLICK, 0, 0);
        }
        if (copy == nullptr)
            copy = child_of(launcher.dwProcessId);
    };
    wait_for_process(launcher.hProcess, 300000, play_the_user);
    // The launcher may have ended before a look found its copy.
    if (copy == nullptr)
        copy = child_of(launcher.dwProcessId);
    CloseHandle(launcher.hProcess);
    if (copy != nullptr) {
        // A copy left waiting would hold its windows up into the next case.
        if (!wait_for_process(copy, 300000, play_the_user))
            TerminateProcess(copy, 99);
        seen.status = exit_status(copy);
    }
    return seen;
}

// A folder named like the installed one, with a file that must stay.
static std::wstring neighbour_of(const std::wstring& folder) {
    std::wstring neighbour = folder + L" 2";
    CreateDirectoryW(neighbour.c_str(), nullptr);
    write_file(neighbour + L"\\other product.txt", "stays");
    return neighbour;
}

static void expect_removed_beside(const std::wstring& folder, const std::wstring& neighbour) {
    EXPECT_FALSE(file_exists(folder)) << code_page(folder);
    EXPECT_EQ(read_file(neighbour + L"\\other product.txt"), "stays") << code_page(neighbour);
}

// An installer whose uninstaller runs from a copy of itself (NSIS, Inno):
// installed silently into `folder` with `install_arguments` before it,
// then uninstalled by `uninstaller` in that folder with the answer No.
static void install_and_answer_no(const wchar_t* setup, const std::wstring& install_arguments,
                                  const std::wstring& folder, const wchar_t* uninstaller) {
    const std::wstring neighbour = neighbour_of(folder);
    ASSERT_EQ(run_to_end(scratch() + L"\\" + setup, install_arguments, scratch()), 0u);
    ASSERT_TRUE(file_exists(folder + L"\\data\\LICENSE"));
    uninstall_seen seen = uninstall_through_copy(folder + L"\\" + uninstaller,
                                                 "Release Tool Uninstall", "Release Tool");
    EXPECT_TRUE(seen.asked);
    EXPECT_EQ(seen.status, 0u);
    expect_removed_beside(folder, neighbour);
}

TEST(release_archive, nsis_installer) {
    const std::wstring folder = L"S:\\Release Tool NSIS";
    install_and_answer_no(L"release_tool_nsis.exe", L"/S /D=" + folder, folder, L"uninstall.exe");
}

TEST(release_archive, msi_package) {
    const std::wstring folder = L"S:\\Release Tool MSI", neighbour = neighbour_of(folder);
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring msiexec = std::wstring(system) + L"\\msiexec.exe",
                       package = L"\"" + scratch() + L"\\release_tool.msi\"";
    ASSERT_EQ(
        run_to_end(msiexec, L"/i " + package + L" /qn INSTALLDIR=\"" + folder + L"\"", scratch()),
        0u);
    ASSERT_TRUE(file_exists(folder + L"\\data\\LICENSE"));
    question_answered run =
        run_answering(msiexec, L"/x " + package, scratch(), "Windows Installer", IDNO);
    EXPECT_TRUE(run.asked);
    EXPECT_EQ(run.status, 0u);
    expect_removed_beside(folder, neighbour);
}

TEST(release_archive, inno_setup_installer) {
    const std::wstring folder = L"S:\\Release Tool Inno";
    install_and_answer_no(L"release_tool_inno.exe",
                          L"/VERYSILENT /SUPPRESSMSGBOXES /NORESTART \"/DIR=" + folder + L"\"",
                          folder, L"unins000.exe");
}
