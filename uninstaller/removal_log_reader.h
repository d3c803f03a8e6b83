#pragma once

// Calls `found` with each folder named by a "File Tree: DIR\*.*" line of the
// removal log at `log_path`, in order, as NUL-terminated 8-bit text in the
// system code page; other lines are ignored. False when the log cannot be
// read.
bool for_each_file_tree(const wchar_t* log_path, void (*found)(const char* tree));
