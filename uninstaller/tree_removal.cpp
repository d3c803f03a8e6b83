#include "tree_removal.h"

#include "../target_check/target_check.h"

#include <cwchar>

// The path being worked on, grown and cut back as the walk goes down and up:
// room for the longest path the platform handles and one name more.
static wchar_t walk_path[32768 + MAX_PATH];

static void note(removal_tally& tally, const wchar_t* path, const wchar_t* why) {
    ++tally.noted;
    std::size_t used = std::wcslen(tally.notes);
    std::size_t room = sizeof tally.notes / sizeof tally.notes[0] - used;
    if (tally.noted > 20 || std::wcslen(path) + std::wcslen(why) + 8 >= room)
        return;
    const wchar_t* shown = std::wcsncmp(path, L"\\\\?\\", 4) == 0 ? path + 4 : path;
    wchar_t* at = tally.notes + used;
    std::wcscpy(at, L"    ");
    std::wcscat(at, shown);
    std::wcscat(at, L": ");
    std::wcscat(at, why);
    std::wcscat(at, L"\n");
}

// Counts an entry left in place and notes why.
static void leave(removal_tally& tally, const wchar_t* path, const wchar_t* why) {
    ++tally.left;
    note(tally, path, why);
}

static const wchar_t* reason_for(DWORD error) {
    switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return L"in use";
    case ERROR_ACCESS_DENIED:
        return L"access denied";
    case ERROR_DIR_NOT_EMPTY:
        return L"not empty";
    default:
        return L"cannot be removed";
    }
}

static bool same_path(const wchar_t* a, const wchar_t* b) {
    return b[0] != L'\0' && CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

bool long_full_path(const char* path, wchar_t* out, DWORD size) {
    static wchar_t wide[32768], full[32768];
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, 32768) == 0)
        return false;
    DWORD length = GetFullPathNameW(wide, 32768, full, nullptr);
    if (length == 0 || length >= 32768)
        return false;
    const wchar_t* prefix = L"\\\\?\\";
    const wchar_t* rest = full;
    if (std::wcsncmp(full, L"\\\\?\\", 4) == 0 || std::wcsncmp(full, L"\\\\.\\", 4) == 0) {
        rest = full + 4;
    } else if (std::wcsncmp(full, L"\\\\", 2) == 0) {
        prefix = L"\\\\?\\UNC\\";
        rest = full + 2;
    }
    if (std::wcslen(prefix) + std::wcslen(rest) + 1 > size)
        return false;
    std::wcscpy(out, prefix);
    std::wcscat(out, rest);
    std::size_t end = std::wcslen(out);
    while (end > 7 && out[end - 1] == L'\\')
        out[--end] = L'\0';
    return true;
}

static const DWORD cleared_attributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

static bool remove_entry(std::size_t length, DWORD attributes, const protected_paths& keep,
                         removal_tally& tally);

// Removes what the folder at walk_path holds; true when all of it is gone
// or scheduled.
static bool remove_folder_contents(std::size_t length, const protected_paths& keep,
                                   removal_tally& tally) {
    if (length + 2 >= sizeof walk_path / sizeof walk_path[0])
        return false;
    bool all = true;
    unsigned scheduled_before = tally.scheduled;
    // A second pass picks up what the first listing missed while it deleted.
    for (int pass = 0; pass < 2; ++pass) {
        std::wcscpy(walk_path + length, L"\\*");
        WIN32_FIND_DATAW entry;
        HANDLE search = FindFirstFileExW(walk_path, FindExInfoBasic, &entry, FindExSearchNameMatch,
                                         nullptr, FIND_FIRST_EX_LARGE_FETCH);
        walk_path[length] = L'\0';
        if (search == INVALID_HANDLE_VALUE)
            return all;
        bool any = false;
        do {
            const wchar_t* name = entry.cFileName;
            if (std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0)
                continue;
            std::size_t name_length = std::wcslen(name);
            if (length + 1 + name_length + 1 >= sizeof walk_path / sizeof walk_path[0]) {
                all = false;
                continue;
            }
            any = true;
            walk_path[length] = L'\\';
            std::wcscpy(walk_path + length + 1, name);
            all &= remove_entry(length + 1 + name_length, entry.dwFileAttributes, keep, tally);
            walk_path[length] = L'\0';
        } while (FindNextFileW(search, &entry));
        FindClose(search);
        if (!any || !all || tally.scheduled != scheduled_before)
            break;
    }
    return all;
}

// Asks for removal at the next restart; what is held open goes then.
static bool schedule(const wchar_t* path, removal_tally& tally) {
    if (!MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        return false;
    ++tally.scheduled;
    note(tally, path, L"in use, removed at the next restart");
    return true;
}

// Removes the entry at walk_path (a folder after what it holds); true when
// it is gone or scheduled.
static bool remove_entry(std::size_t length, DWORD attributes, const protected_paths& keep,
                         removal_tally& tally) {
    bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    const wchar_t* kept = nullptr;
    if (!folder && same_path(walk_path, keep.program))
        kept = L"the uninstaller itself";
    else if (!folder && same_path(walk_path, keep.log))
        kept = L"the removal log";
    if (kept != nullptr) {
        leave(tally, walk_path, kept);
        return false;
    }

    bool contents_gone = true;
    if (folder && !link)
        contents_gone = remove_folder_contents(length, keep, tally);
    if (folder && !link && same_path(walk_path, keep.current_directory)) {
        leave(tally, walk_path, L"current directory");
        return false;
    }
    if (attributes & cleared_attributes) {
        DWORD plain = attributes & ~cleared_attributes;
        SetFileAttributesW(walk_path, plain != 0 ? plain : FILE_ATTRIBUTE_NORMAL);
    }
    // A link goes by itself: RemoveDirectoryW and DeleteFileW never follow it.
    BOOL removed = folder ? RemoveDirectoryW(walk_path) : DeleteFileW(walk_path);
    if (removed) {
        ++(folder ? tally.folders_removed : tally.files_removed);
        return true;
    }
    DWORD error = GetLastError();
    // A running program's file refuses deletion as access denied. A link
    // that cannot go is left as it is: it is not in use.
    bool in_use =
        !link && (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                  error == ERROR_ACCESS_DENIED || (folder && error == ERROR_DIR_NOT_EMPTY));
    if (in_use && contents_gone && schedule(walk_path, tally))
        return true;
    if (attributes & cleared_attributes)
        SetFileAttributesW(walk_path, attributes);
    if (contents_gone || !folder)
        leave(tally, walk_path,
              link ? L"link that cannot be removed; not followed" : reason_for(error));
    return false;
}

void remove_file_tree(const char* tree, const protected_paths& keep, removal_tally& tally) {
    if (const char* refusal = removal_target_refusal(tree)) {
        static wchar_t shown[MAX_PATH + 64], why[64];
        if (MultiByteToWideChar(CP_ACP, 0, tree[0] != '\0' ? tree : "(empty name)", -1, shown,
                                MAX_PATH) == 0)
            std::wcscpy(shown, L"(name too long)");
        std::wcscpy(why, L"refused: ");
        MultiByteToWideChar(CP_ACP, 0, refusal, -1, why + 9, 64 - 9);
        leave(tally, shown, why);
        return;
    }
    if (!long_full_path(tree, walk_path, 32768)) {
        leave(tally, L"(name too long)", L"cannot be resolved");
        return;
    }
    // A tree that is not there is already gone.
    DWORD attributes = GetFileAttributesW(walk_path);
    if (attributes != INVALID_FILE_ATTRIBUTES)
        remove_entry(std::wcslen(walk_path), attributes, keep, tally);
}
