// Runs the project's UNWISE.EXE on removal logs. Only ever run in the scratch
// prefix (run_in_scratch_prefix.sh), whose drives are its own C: and S:.
#include "child_process.h"
#include "test_files.h"
#include "../uninstaller/tree_removal.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

static std::string scratch() {
    return program_folder();
}

// However the run was filtered, the host's swapping program ends with it.
class stop_swapping : public testing::Environment {
  public:
    void TearDown() override {
        write_file(scratch() + "\\race\\stop", "");
    }
};
static testing::Environment* const swapping_stops =
    testing::AddGlobalTestEnvironment(new stop_swapping);

struct unwise_run {
    DWORD exit_code = STILL_ACTIVE;
    std::string box_text; // the text of its message box, when one was shown
};

// Runs UNWISE.EXE (the one beside this program unless `program` is given) in
// `folder`; a message box it shows is read and closed with OK.
static unwise_run run_unwise(const std::string& arguments, const std::string& folder,
                             std::string program = "") {
    unwise_run run;
    if (program.empty())
        program = scratch() + "\\UNWISE.EXE";
    run.exit_code = run_reading_box(wide(program), wide(arguments), wide(folder), run.box_text);
    return run;
}

static std::string log_of(const std::string& lines) {
    return "***  Installation Started  ***\r\nTitle: \r\nSource: \r\n" + lines;
}

// A tree like an installed application's: nested folders, a read-only and a
// hidden file, and a few hundred files.
static void make_application(const std::string& root) {
    CreateDirectoryA(root.c_str(), nullptr);
    std::string folder = root;
    for (const char* name : {"\\bin", "\\bin\\plugins", "\\bin\\plugins\\deep"}) {
        folder = root + name;
        CreateDirectoryA(folder.c_str(), nullptr);
        for (int i = 0; i < 100; ++i)
            write_file(folder + "\\file" + std::to_string(i) + ".dat", std::string(i, 'x'));
    }
    write_file(root + "\\readme.txt", "read me");
    SetFileAttributesA((root + "\\readme.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    write_file(root + "\\bin\\settings.ini", "[x]");
    SetFileAttributesA((root + "\\bin\\settings.ini").c_str(), FILE_ATTRIBUTE_HIDDEN);
}

class unwise_test : public testing::Test {
  protected:
    void SetUp() override {
        folder = make_test_folder(testing::UnitTest::GetInstance()->current_test_info()->name());
        app = folder + "\\Example App";
        make_application(app);
        log = folder + "\\KILL.LOG";
    }
    void TearDown() override {
        remove_test_folder(folder);
    }
    std::string folder, app, log;
};

TEST_F(unwise_test, removes_a_nested_tree) {
    write_file(log, log_of("File Tree: " + app + "\\*.*\r\n"));
    EXPECT_EQ(run_unwise("/S /A /R .\\KILL.LOG", folder).exit_code, 0u);
    EXPECT_FALSE(file_exists(app));
    EXPECT_TRUE(file_exists(log)) << "the log is left for its caller";
}

// Several trees, relative names from the current directory, other lines ignored.
TEST_F(unwise_test, several_trees_and_relative_names) {
    std::string second = folder + "\\Second", kept = folder + "\\Kept";
    make_application(second);
    make_application(kept);
    write_file(log, log_of("File Tree: Example App\\*.*\r\nTitle: Kept\r\nFile Tree: Kept\n"
                           "File Tree: .\\Second\\*.*\r\n"));
    EXPECT_EQ(run_unwise("/S .\\KILL.LOG", folder).exit_code, 0u);
    EXPECT_FALSE(file_exists(app));
    EXPECT_FALSE(file_exists(second));
    EXPECT_TRUE(file_exists(kept + "\\readme.txt"));
}

// What is in use goes at the next restart only under names that nobody but
// the system's own accounts may redirect. Every folder under Wine belongs to
// the user running it, so nothing is scheduled there: a file held without
// delete sharing (which cannot be moved) and a loaded library (which could
// be) are both left and reported, no holding folder stays behind, and the
// holders keep their files. (restart_holding_test.cpp shows the scheduling
// itself with the ownership rule standing in.)
TEST_F(unwise_test, in_use_entries_are_left_where_others_may_change_their_folders) {
    forget_pending_removals();
    std::string busy = app + "\\bin\\plugins\\busy.dll", library = app + "\\bin\\running.dll";
    write_file(busy, "busy");
    HANDLE held = CreateFileA(busy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(CopyFileA((scratch() + "\\planted_marker.dll").c_str(), library.c_str(), FALSE));
    HMODULE loaded = LoadLibraryA(library.c_str());
    ASSERT_NE(loaded, nullptr);
    write_file(log, log_of("File Tree: " + app + "\\*.*\r\n"));
    unwise_run run = run_unwise("/A .\\KILL.LOG", folder);
    char bytes[8] = {};
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(held, bytes, sizeof bytes, &got, nullptr) && got == 4) << "holder's file";
    CloseHandle(held);
    FreeLibrary(loaded);
    EXPECT_EQ(run.exit_code, 1u);
    for (const std::string& left : {busy, library})
        EXPECT_NE(run.box_text.find("    " + left +
                                    ": in use; not scheduled, as others may change a folder "
                                    "above it\n"),
                  std::string::npos)
            << run.box_text;
    EXPECT_EQ(pending_removals(), "");
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("C:\\RemoveTree.pending.*", &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "holding folder left: " << found.cFileName;
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    EXPECT_EQ(read_file(busy), "busy");
    EXPECT_TRUE(file_exists(library));
    EXPECT_FALSE(file_exists(app + "\\readme.txt"));
    EXPECT_FALSE(file_exists(app + "\\bin\\plugins\\file5.dat"));
}

// Under WOW64 the redirector turns System32 into SysWOW64 for 32-bit
// programs, and Sysnative into System32. With both twins holding files, the
// 32-bit UNWISE.EXE refuses either spelling, the same way every run, and
// both twins stay whole; a folder Windows exempts from redirection means
// one folder to both and goes. The 64-bit build removes the native folder
// it names and leaves its twin.
TEST_F(unwise_test, system_folder_twins_under_wow64) {
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    const std::string windows = "C:\\windows";
    const std::string native = windows + (wow64 ? "\\Sysnative" : "\\system32") + "\\VendorX",
                      twin = windows + "\\syswow64\\VendorX";
    const char* spellings[] = {"C:\\windows\\system32\\VendorX", "C:\\windows\\Sysnative\\VendorX",
                               "C:\\WINDOWS\\SYSTEM32\\.\\VendorX"};
    for (int run = 0; run < 3; ++run) {
        for (const char* spelling : spellings) {
            if (!wow64 && std::string(spelling).find("Sysnative") != std::string::npos)
                continue; // no such name for 64-bit programs
            for (const std::string& folder : {native, twin}) {
                CreateDirectoryA(folder.c_str(), nullptr);
                write_file(folder + "\\file.dat", folder);
            }
            write_file(log, log_of(std::string("File Tree: ") + spelling + "\\*.*\r\n"));
            unwise_run result = run_unwise("/A .\\KILL.LOG", folder);
            if (wow64) {
                EXPECT_EQ(result.exit_code, 1u) << spelling;
                EXPECT_NE(result.box_text.find("refused: means another folder to 32-bit programs "
                                               "(WOW64)"),
                          std::string::npos)
                    << spelling << ": " << result.box_text;
                EXPECT_EQ(read_file(native + "\\file.dat"), native) << spelling << ", run " << run;
            } else {
                EXPECT_EQ(result.exit_code, 0u) << spelling << ": " << result.box_text;
                EXPECT_FALSE(file_exists(native)) << spelling << ", run " << run;
            }
            EXPECT_EQ(read_file(twin + "\\file.dat"), twin) << spelling << ", run " << run;
        }
    }
    std::string exempt = windows + "\\system32\\spool\\VendorX";
    CreateDirectoryA(exempt.c_str(), nullptr);
    write_file(exempt + "\\file.dat", "x");
    write_file(log, log_of("File Tree: " + exempt + "\\*.*\r\n"));
    EXPECT_EQ(run_unwise("/S .\\KILL.LOG", folder).exit_code, 0u);
    EXPECT_FALSE(file_exists(exempt)) << "exempt from redirection: one folder to both";
    for (const std::string& folder : {native, twin}) {
        DeleteFileA((folder + "\\file.dat").c_str());
        RemoveDirectoryA(folder.c_str());
    }
}

// Trees made on the host side that ordinary paths cannot address: every
// name and every depth goes, with the tree itself.
TEST_F(unwise_test, names_and_depths_ordinary_paths_cannot_reach) {
    const char* trees[] = {"odd_names", "reserved_names", "deep"};
    for (const char* name : trees) {
        std::string tree = scratch() + "\\" + name + "\\tree";
        ASSERT_TRUE(file_exists(tree)) << name;
        write_file(log, log_of("File Tree: " + tree + "\\*.*\r\n"));
        unwise_run run = run_unwise("/A .\\KILL.LOG", folder);
        EXPECT_EQ(run.exit_code, 0u) << name << ": " << run.box_text;
        EXPECT_FALSE(file_exists(tree)) << name;
        EXPECT_TRUE(file_exists(scratch() + "\\" + name)) << name << ": only the tree goes";
    }
}

// Read-only, hidden and system files and folders go like any other.
TEST_F(unwise_test, read_only_hidden_and_system_entries) {
    const DWORD mixes[] = {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM,
                           FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM};
    int i = 0;
    for (DWORD mix : mixes) {
        std::string sub = app + "\\mix" + std::to_string(i++);
        CreateDirectoryA(sub.c_str(), nullptr);
        write_file(sub + "\\file.dat", "x");
        SetFileAttributesA((sub + "\\file.dat").c_str(), mix);
        SetFileAttributesA(sub.c_str(), mix);
    }
    SetFileAttributesA(app.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
    write_file(log, log_of("File Tree: " + app + "\\*.*\r\n"));
    EXPECT_EQ(run_unwise("/S .\\KILL.LOG", folder).exit_code, 0u);
    EXPECT_FALSE(file_exists(app));
}

// A read-only file of the tree with a second name outside it: the name in
// the tree goes, and the file stays read-only under its other name.
TEST_F(unwise_test, read_only_file_keeps_its_attribute_under_another_name) {
    std::string inside = app + "\\bin\\linked.txt", outside = folder + "\\linked outside.txt";
    write_file(inside, "shared");
    ASSERT_TRUE(CreateHardLinkA(outside.c_str(), inside.c_str(), nullptr));
    SetFileAttributesA(inside.c_str(), FILE_ATTRIBUTE_READONLY);
    write_file(log, log_of("File Tree: " + app + "\\*.*\r\n"));
    EXPECT_EQ(run_unwise("/S .\\KILL.LOG", folder).exit_code, 0u);
    EXPECT_FALSE(file_exists(app));
    EXPECT_EQ(read_file(outside), "shared");
    EXPECT_EQ(GetFileAttributesA(outside.c_str()) & FILE_ATTRIBUTE_READONLY,
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    SetFileAttributesA(outside.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A log inside the tree it names is left, with the folder holding it.
TEST_F(unwise_test, log_inside_the_tree_is_left) {
    std::string inner_log = app + "\\bin\\KILL.LOG";
    write_file(inner_log, log_of("File Tree: " + app + "\\*.*\r\n"));
    EXPECT_EQ(run_unwise("/S \"" + inner_log + "\"", folder).exit_code, 1u);
    EXPECT_TRUE(file_exists(inner_log));
    EXPECT_FALSE(file_exists(app + "\\readme.txt"));
    EXPECT_FALSE(file_exists(app + "\\bin\\plugins"));
}

// Run from inside the tree: its own program file and current directory stay.
TEST_F(unwise_test, own_program_and_current_directory_are_left) {
    std::string inner = app + "\\bin\\plugins\\UNWISE.EXE";
    CopyFileA((scratch() + "\\UNWISE.EXE").c_str(), inner.c_str(), FALSE);
    write_file(log, log_of("File Tree: " + app + "\\*.*\r\n"));
    EXPECT_EQ(run_unwise("/S " + log, app + "\\bin\\plugins\\deep", inner).exit_code, 1u);
    EXPECT_TRUE(file_exists(inner));
    EXPECT_TRUE(file_exists(app + "\\bin\\plugins\\deep"));
    EXPECT_FALSE(file_exists(app + "\\bin\\plugins\\deep\\file1.dat"));
    EXPECT_FALSE(file_exists(app + "\\readme.txt"));
}

// A link in the tree, or the tree itself as a link, is never followed: what
// it leads to survives whole, and what the tree holds besides goes. Wine
// cannot remove a host link, so a tree holding one is left (status 1).
TEST_F(unwise_test, links_are_not_followed) {
    const std::string fixture = scratch() + "\\link_fixture";
    struct {
        const char* tree;
        const char* survivor;
    } cases[] = {
        {"\\tree", "\\target\\precious.txt"},         // a folder link deep inside
        {"\\file_link\\tree", "\\outside\\file.txt"}, // a file link
        {"\\empty_link\\tree", "\\outside\\empty"},   // a link to an empty folder
        {"\\full_link\\tree", "\\outside\\full\\precious.txt"},
        {"\\top_link", "\\outside\\full\\precious.txt"}, // the tree is the link
    };
    for (const auto& c : cases) {
        std::string tree = fixture + c.tree;
        ASSERT_TRUE(file_exists(tree)) << c.tree;
        write_file(log, log_of("File Tree: " + tree + "\\*.*\r\n"));
        DWORD status = run_unwise("/S .\\KILL.LOG", folder).exit_code;
        EXPECT_TRUE(file_exists(fixture + c.survivor)) << c.tree;
        EXPECT_EQ(read_file(fixture + "\\outside\\file.txt"), "must survive\n") << c.tree;
        EXPECT_EQ(read_file(fixture + "\\outside\\full\\precious.txt"), "must survive\n") << c.tree;
        EXPECT_FALSE(file_exists(tree + "\\plain.txt")) << c.tree;
        EXPECT_EQ(status, file_exists(tree) ? 1u : 0u) << c.tree;
    }
}

// While the removal runs, a host program exchanges a folder of the tree with
// a link to a victim folder every 0 to 40 microseconds: the walk holds the
// folders it opened and enters only the very entry it listed, so the victim
// loses nothing, trial after trial. (Every 0 to 2 ms, a walk that trusted
// Wine's name of an opened link lost the victim once in thousands of trials;
// at this pace, in one run of two.)
TEST_F(unwise_test, swapped_folder_never_leads_outside) {
    const std::string race = scratch() + "\\race";
    ASSERT_TRUE(file_exists(race + "\\V\\victim 10.txt"));
    // The host program answers within a few milliseconds.
    auto wait_for = [&](bool idle) {
        return wait_until([&] { return file_exists(race + "\\idle") == idle; }, 30000);
    };
    int victim_lost = 0, removed_some = 0;
    const int trials = 60;
    for (int trial = 0; trial < trials; ++trial) {
        ASSERT_TRUE(wait_for(true)) << "the swapping program is not running";
        std::string tree = race + "\\T";
        remove_test_folder(tree);
        CreateDirectoryA(tree.c_str(), nullptr);
        CreateDirectoryA((tree + "\\sub").c_str(), nullptr);
        for (int i = 0; i < 30; ++i)
            write_file(tree + "\\sub\\file " + std::to_string(i) + ".dat", "in the tree");
        write_file(race + "\\go", "");
        ASSERT_TRUE(wait_for(false)) << "trial " << trial;
        // The walk UNWISE.EXE makes, in this process: sixty starts of a
        // program would cost a minute where qemu runs 32-bit programs.
        static removal_tally tally;
        tally = removal_tally{};
        remove_file_tree(wide(tree).c_str(), kept_entries{}, tally);
        DeleteFileA((race + "\\go").c_str());
        for (int i = 1; i <= 10; ++i)
            if (!file_exists(race + "\\V\\victim " + std::to_string(i) + ".txt")) {
                ++victim_lost;
                break;
            }
        ASSERT_EQ(victim_lost, 0) << "the victim lost files in trial " << trial;
        ASSERT_TRUE(wait_for(true)) << "trial " << trial;
        int kept = 0;
        for (int i = 0; i < 30; ++i)
            kept += file_exists(tree + "\\sub\\file " + std::to_string(i) + ".dat");
        removed_some += kept < 30;
    }
    EXPECT_GT(removed_some, 0) << "trials in which the tree lost files";
    std::printf("swap race: %d of %d trials removed files of the tree\n", removed_some, trials);
}

// The holder of a file: lets it go 300 ms after the removal has begun (the
// tree's first file is gone), however long the uninstaller took to start.
struct holder {
    HANDLE file;
    std::string first_removed;
};

static DWORD WINAPI close_once_removal_runs(void* context) {
    holder* held = static_cast<holder*>(context);
    wait_until([&] { return !file_exists(held->first_removed); }, 300000);
    Sleep(300);
    CloseHandle(held->file);
    return 0;
}

// A file that another program holds with delete sharing (a scanner, an
// indexer) goes once it is let go: a moment's wait, not a restart.
TEST_F(unwise_test, pending_deletion_is_waited_for) {
    forget_pending_removals();
    std::string held_file = app + "\\bin\\plugins\\scanned.dll";
    write_file(held_file, "being scanned");
    holder held = {CreateFileA(held_file.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, 0, nullptr),
                   app + "\\readme.txt"};
    ASSERT_NE(held.file, INVALID_HANDLE_VALUE);
    HANDLE closer = CreateThread(nullptr, 0, close_once_removal_runs, &held, 0, nullptr);
    write_file(log, log_of("File Tree: " + app + "\\*.*\r\n"));
    unwise_run run = run_unwise("/S .\\KILL.LOG", folder);
    ASSERT_EQ(WaitForSingleObject(closer, 300000), WAIT_OBJECT_0);
    CloseHandle(closer);
    EXPECT_EQ(run.exit_code, 0u);
    EXPECT_FALSE(file_exists(app));
    EXPECT_EQ(pending_removals(), "");
}

// Names that are no single folder are refused whole.
TEST_F(unwise_test, roots_are_refused) {
    write_file(scratch() + "\\canary.txt", "alive");
    CreateDirectoryA((folder + "\\Example 01").c_str(), nullptr);
    const std::string trees[] = {
        "",
        "\\",
        "S:",
        "S:\\",
        "S:\\\\",
        ".",
        scratch() + "\\link_fixture\\..",
        "\\\\?\\s:\\",
        "\\\\.\\unc\\server\\share\\..",
        "\\??\\S:\\",
        folder + "\\Example ??",               // a damaged name or a pattern
        scratch() + "\\link_fixture\\to_root", // a link that leads to the drive's root
    };
    for (const std::string& tree : trees) {
        write_file(log, log_of("File Tree: " + tree + "\\*.*\r\n"));
        EXPECT_EQ(run_unwise("/S .\\KILL.LOG", folder).exit_code, 1u) << tree;
        EXPECT_TRUE(file_exists(scratch() + "\\canary.txt")) << tree;
        EXPECT_TRUE(file_exists(app + "\\readme.txt")) << tree;
        EXPECT_TRUE(file_exists(folder + "\\Example 01")) << tree;
    }
}

TEST_F(unwise_test, missing_log) {
    EXPECT_EQ(run_unwise("/S .\\KILL.LOG", folder).exit_code, 1u);
    EXPECT_EQ(run_unwise("/S", folder).exit_code, 1u);
    EXPECT_TRUE(file_exists(app + "\\readme.txt"));
}

// Without /S one message box tells what was removed and what was left.
TEST_F(unwise_test, report_box_without_silent_switch) {
    write_file(log, log_of("File Tree: " + app + "\\*.*\r\n"));
    unwise_run run = run_unwise("/A .\\KILL.LOG", folder);
    EXPECT_EQ(run.exit_code, 0u);
    EXPECT_EQ(run.box_text, "Removed 302 files and 4 folders from:\n    " + app + "\n");
    write_file(log, "File Tree: S:\\*.*\r\n");
    run = run_unwise(".\\KILL.LOG", folder);
    EXPECT_EQ(run.exit_code, 1u);
    EXPECT_EQ(run.box_text, "Removed 0 files and 0 folders from:\n    S:\n\nLeft in place:\n"
                            "    S:: refused: names no single folder\n");
}
