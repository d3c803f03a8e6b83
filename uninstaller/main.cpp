// UNWISE.EXE: removes the file trees named in a removal log.
//   UNWISE.EXE [/S] [other switches] LOG
// /S: silent, no window at all; otherwise one message box at the end says what
// was removed and what had to be left. Exit status 0 when every named tree is
// gone, 1 otherwise (also when the log cannot be read).
#include "removal_log_reader.h"
#include "tree_removal.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

static std::string current_directory() {
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof folder, folder);
    return full_path(folder);
}

static std::string program_path() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    return full_path(path);
}

static void report(const std::vector<std::string>& trees, bool all_gone, bool log_read,
                   const char* log_path, const removal_tally& tally) {
    std::string text;
    if (!log_read) {
        text =
            std::string("The removal log ") + log_path + " could not be read. Nothing was removed.";
    } else {
        text = "Removed " + std::to_string(tally.files_removed) + " files and " +
               std::to_string(tally.folders_removed) + " folders from:\n";
        for (const std::string& tree : trees)
            text += "    " + tree + "\n";
        if (trees.empty())
            text += "    (the log names no file tree)\n";
    }
    if (!tally.left.empty()) {
        text += "\nLeft in place:\n";
        const std::size_t shown = 20;
        for (std::size_t i = 0; i < tally.left.size() && i < shown; ++i)
            text += "    " + tally.left[i] + "\n";
        if (tally.left.size() > shown)
            text += "    and " + std::to_string(tally.left.size() - shown) + " more\n";
    }
    MessageBoxA(nullptr, text.c_str(), "Uninstall",
                MB_OK | (all_gone && log_read ? MB_ICONINFORMATION : MB_ICONWARNING));
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    bool silent = false;
    const char* log_path = nullptr;
    for (int i = 1; i < __argc; ++i) {
        const char* argument = __argv[i];
        if (argument[0] == '/')
            silent |= std::strcmp(argument, "/S") == 0 || std::strcmp(argument, "/s") == 0;
        else
            log_path = argument;
    }

    bool log_read = false;
    std::vector<std::string> trees;
    if (log_path != nullptr)
        trees = file_trees_in_log(log_path, &log_read);

    protected_paths keep;
    keep.program = program_path();
    keep.current_directory = current_directory();
    if (log_path != nullptr)
        keep.log = full_path(log_path);

    removal_tally tally;
    bool all_gone = log_read;
    for (const std::string& tree : trees)
        all_gone &= remove_file_tree(tree, keep, tally);

    if (!silent)
        report(trees, all_gone, log_read, log_path != nullptr ? log_path : "(none given)", tally);
    return all_gone ? 0 : 1;
}
