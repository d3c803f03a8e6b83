#pragma once

#include <windows.h>

// What removing trees achieved, for the closing report and the exit status.
struct removal_tally {
    unsigned files_removed;
    unsigned folders_removed;
    unsigned scheduled;  // in use: removed at the next restart
    unsigned left;       // neither removed nor scheduled
    wchar_t notes[8192]; // "    path: why\n" for the first entries scheduled or left
    unsigned noted;
};

// Paths that are never removed, though they may lie inside a tree: the
// running program, the log it was given, its current directory. Full paths
// with the \\?\ prefix, as remove_file_tree builds them.
struct protected_paths {
    wchar_t program[MAX_PATH + 8], log[MAX_PATH + 8], current_directory[MAX_PATH + 8];
};

// `path` (8-bit, system code page) made absolute from the current directory,
// behind \\?\ (\\?\UNC\ for a share), into `out` of `size` characters.
// False when it does not fit.
bool long_full_path(const char* path, wchar_t* out, DWORD size);

// Removes `tree` with everything in it, as far as it can, with the wide API
// on \\?\ paths, so that any name and any depth the file system holds can go.
// Read-only, hidden and system attributes are cleared first (and put back on
// what stays); links and junctions are removed, never followed; what is in
// use is scheduled for removal at the next restart. A tree that names no
// single folder is refused. What went, was scheduled or was left is counted
// in `tally`.
void remove_file_tree(const char* tree, const protected_paths& keep, removal_tally& tally);
