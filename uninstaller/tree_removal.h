#pragma once

#include "../target_check/file_identity.h"

#include <windows.h>

// What removing trees achieved, for the closing report and the exit status.
// Every entry a listing showed is counted once: removed, scheduled or left.
struct removal_tally {
    unsigned files_removed;
    unsigned folders_removed;
    unsigned scheduled;  // in use: removed at the next restart
    unsigned left;       // neither removed nor scheduled
    wchar_t notes[8192]; // "    path: why\n" for the first entries scheduled or left
    unsigned noted;
};

// What is never removed, though it may lie inside a tree: the running
// program, the log it was given and the claim held on it, its current
// directory; known by identity, whatever name reaches them.
struct kept_entries {
    file_identity program, log, claim, current_directory;
    bool program_known, log_known, claim_known, current_directory_known;
};

// Removes `tree` with everything in it, as far as it can. The removal-target
// check judges the tree's top by the handle the walk then starts from; each
// folder is listed from its handle and each entry opened relative to its
// folder's handle and judged before it is used: a link or junction is
// removed itself and never entered, and an entry that turns out to be other
// than the one listed (a link the platform opened through, or an entry
// swapped meanwhile) is left and reported. Deletion goes through the handle.
// What is in use is retried for a moment (2 s per tree in all), then
// scheduled for removal at the next restart; what was counted goes in `tally`.
void remove_file_tree(const wchar_t* tree, const kept_entries& keep, removal_tally& tally);
