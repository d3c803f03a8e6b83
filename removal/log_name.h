#pragma once

// The removal log is 8-bit text in the system code page, so the tree must be
// named there without changing which folder the name leads to.
//
// Writes into `out` (of `size` bytes) the code-page bytes that name
// `to_kill`: exactly its characters when every one of them fits the code
// page (converted without best fit, and checked by converting back);
// otherwise the same path with each name that does not fit replaced by its
// short 8.3 name, but only when that spelling opens the very object the
// long one does (volume serial and file index). False when neither holds:
// the tree cannot be named to the uninstaller.
bool code_page_name(const wchar_t* to_kill, char* out, int size);
