// The walk itself, in this process, with the rule on who may change a folder
// standing in (change_rights_standin.cpp: only the system, everywhere), so
// that what Wine's ownership hides is seen: what is in use and may be moved
// goes through a holding folder at the volume's root and is scheduled
// there, with the folder after it; what cannot be moved is scheduled by its
// own name, each folder after what it holds.
#include "../uninstaller/tree_removal.h"
#include "test_files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

// The holding folders at C:\, by name.
static std::string holding_folders() {
    std::string names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("C:\\RemoveTree.pending.*", &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names += found.cFileName;
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

static std::string make_tree(const std::string& folder) {
    std::string tree = folder + "\\App";
    CreateDirectoryA(tree.c_str(), nullptr);
    CreateDirectoryA((tree + "\\bin").c_str(), nullptr);
    CreateDirectoryA((tree + "\\bin\\plugins").c_str(), nullptr);
    write_file(tree + "\\readme.txt", "read me");
    write_file(tree + "\\bin\\plugins\\other.dat", "other");
    return tree;
}

static removal_tally remove(const std::string& tree) {
    static removal_tally tally;
    tally = removal_tally{};
    kept_entries keep = {};
    remove_file_tree(wide(tree).c_str(), keep, tally);
    return tally;
}

TEST(restart_holding, library_in_use_goes_through_the_holding_folder_alone) {
    forget_pending_removals();
    std::string folder = make_test_folder("holding_library"), tree = make_tree(folder);
    std::string library = tree + "\\bin\\plugins\\running.dll";
    ASSERT_TRUE(
        CopyFileA((program_folder() + "\\planted_marker.dll").c_str(), library.c_str(), FALSE));
    std::string bytes = read_file(library);
    HMODULE loaded = LoadLibraryA(library.c_str());
    ASSERT_NE(loaded, nullptr);

    removal_tally tally = remove(tree);
    EXPECT_EQ(tally.scheduled, 1u);
    EXPECT_EQ(tally.left, 0u);
    EXPECT_EQ(tally.files_removed, 2u);
    EXPECT_EQ(tally.folders_removed, 3u) << "the folders it was moved out of go now";
    EXPECT_FALSE(file_exists(tree));
    std::string holding = holding_folders();
    ASSERT_EQ(holding.rfind("RemoveTree.pending.", 0), 0u) << holding;
    std::string held = "C:\\" + holding + "\\1";
    EXPECT_EQ(pending_removals(), "\\??\\" + held + "||\\??\\C:\\" + holding + "|||")
        << "only names in the holding folder, the folder last";
    EXPECT_EQ(read_file(held), bytes);
    wchar_t module_name[MAX_PATH];
    EXPECT_GT(GetModuleFileNameW(loaded, module_name, MAX_PATH), 0u) << "still loaded";

    FreeLibrary(loaded);
    DeleteFileA(held.c_str());
    RemoveDirectoryA(("C:\\" + holding).c_str());
    forget_pending_removals();
    remove_test_folder(folder);
}

TEST(restart_holding, held_file_is_scheduled_by_its_name_with_its_folders_after_it) {
    forget_pending_removals();
    std::string folder = make_test_folder("holding_held"), tree = make_tree(folder);
    std::string busy = tree + "\\bin\\plugins\\busy.dat";
    write_file(busy, "busy");
    HANDLE held = CreateFileA(busy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    removal_tally tally = remove(tree);
    CloseHandle(held);
    EXPECT_EQ(tally.scheduled, 4u);
    EXPECT_EQ(tally.left, 0u);
    std::string pending = pending_removals();
    std::string expected;
    for (const std::string& name :
         {busy, tree + "\\bin\\plugins", tree + "\\bin", tree}) // the names as the walk knows them
        expected += "\\??\\" + name + "||";
    expected += "|"; // the list's own end
    EXPECT_EQ(pending, expected) << "by its own name, each folder after what it holds";
    EXPECT_EQ(holding_folders(), "") << "nothing was moved: no holding folder stays";
    EXPECT_EQ(read_file(busy), "busy");
    EXPECT_FALSE(file_exists(tree + "\\readme.txt"));
    forget_pending_removals();
    remove_test_folder(folder);
}
