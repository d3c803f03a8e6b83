#pragma once

#include <string>
#include <vector>

// What removing trees achieved, for the closing report.
struct removal_tally {
    unsigned files_removed = 0;
    unsigned folders_removed = 0;
    std::vector<std::string> left; // "path: why", for everything left in place
};

// Paths that are never removed, though they may lie inside a tree: the
// running program, the log it was given, its current directory.
struct protected_paths {
    std::string program, log, current_directory; // full paths
};

// Removes `tree` with everything in it, read-only files included, as far as
// it can: what cannot go is noted and the rest goes on. Links (junctions,
// symbolic links) are never followed; the link itself is removed where the
// platform allows. A volume root or blank name is refused. Returns whether
// the tree is gone afterwards.
bool remove_file_tree(const std::string& tree, const protected_paths& keep, removal_tally& tally);

// `path` made absolute from the current directory.
std::string full_path(const std::string& path);
