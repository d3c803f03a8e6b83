#pragma once

#include <string>
#include <vector>

// The folders named by the "File Tree: DIR\*.*" lines of a removal log, in
// order; other lines are ignored. `readable` tells whether the log could be read.
std::vector<std::string> file_trees_in_log(const char* log_path, bool* readable);
