#include "tree_removal.h"

#include "../target_check/target_check.h"

#include <windows.h>

std::string full_path(const std::string& path) {
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full)
        return path;
    std::string result(full, length);
    while (result.size() > 3 && (result.back() == '\\' || result.back() == '/'))
        result.pop_back();
    return result;
}

static bool same_path(const std::string& a, const std::string& b) {
    return !a.empty() && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(),
                                        -1) == CSTR_EQUAL;
}

static void leave(removal_tally& tally, const std::string& path, const std::string& why) {
    tally.left.push_back(path + ": " + why);
}

static std::string reason_for(DWORD error) {
    switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "in use";
    case ERROR_ACCESS_DENIED:
        return "access denied";
    case ERROR_DIR_NOT_EMPTY:
        return "not empty";
    case ERROR_FILENAME_EXCED_RANGE:
        return "path too long";
    default:
        return "error " + std::to_string(error);
    }
}

static void remove_entry(const std::string& path, DWORD attributes, const protected_paths& keep,
                         removal_tally& tally);

static void remove_folder_contents(const std::string& folder, const protected_paths& keep,
                                   removal_tally& tally) {
    // Take the listing first, so removing does not disturb the search.
    std::vector<std::pair<std::string, DWORD>> entries;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = entry.cFileName;
        if (name != "." && name != "..")
            entries.emplace_back(folder + "\\" + name, entry.dwFileAttributes);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    for (const auto& e : entries)
        remove_entry(e.first, e.second, keep, tally);
}

// Removes one entry, a folder after what it holds; returns why it had to
// stay, or "" once it is gone.
static std::string remove_one(const std::string& path, bool folder, DWORD attributes,
                              const protected_paths& keep, removal_tally& tally) {
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A link: remove the link only, never what it leads to.
        bool removed = folder ? RemoveDirectoryA(path.c_str()) : DeleteFileA(path.c_str());
        return removed ? "" : "link that cannot be removed; not followed";
    }
    if (folder) {
        remove_folder_contents(path, keep, tally);
        if (same_path(path, keep.current_directory))
            return "current directory";
        return RemoveDirectoryA(path.c_str()) ? "" : reason_for(GetLastError());
    }
    if (same_path(path, keep.program))
        return "the uninstaller itself";
    if (same_path(path, keep.log))
        return "the removal log";
    return DeleteFileA(path.c_str()) ? "" : reason_for(GetLastError());
}

static void remove_entry(const std::string& path, DWORD attributes, const protected_paths& keep,
                         removal_tally& tally) {
    bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    std::string why = remove_one(path, folder, attributes, keep, tally);
    if (why.empty()) {
        ++(folder ? tally.folders_removed : tally.files_removed);
        return;
    }
    leave(tally, path, why);
    // Left in place: as it was.
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path.c_str(), attributes);
}

// Gone, as opposed to there or unreadable.
static bool is_gone(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool remove_file_tree(const std::string& tree, const protected_paths& keep, removal_tally& tally) {
    if (const char* refusal = removal_target_refusal(tree.c_str())) {
        leave(tally, tree.empty() ? "(empty name)" : tree, std::string("refused: ") + refusal);
        return false;
    }
    std::string path = full_path(tree);
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return is_gone(path);
    remove_entry(path, attributes, keep, tally);
    return is_gone(path);
}
