#pragma once

#include <string>

// A new, empty folder under the Wine prefix's temporary folder, unique to this
// process and `name`.
std::string make_test_folder(const std::string& name);

// Removes a folder the test made, with everything in it.
void remove_test_folder(const std::string& folder);

// Paths in the code page, or in UTF-16 for names outside it.
void write_file(const std::string& path, const std::string& bytes);
void write_file(const std::wstring& path, const std::string& bytes);

// The file's bytes; `missing` tells when it could not be read.
std::string read_file(const std::string& path, bool* missing = nullptr);
std::string read_file(const std::wstring& path, bool* missing = nullptr);

bool file_exists(const std::string& path);
bool file_exists(const std::wstring& path);

// The folder of the running test program, where the programs under test are built.
std::string program_folder();

// Text of the system code page as UTF-16, and back (no best fit: a character
// the code page lacks becomes '?').
std::wstring wide(const std::string& code_page_text);
std::string code_page(const std::wstring& text);

// The bytes of a UTF-16LE text file with its byte-order mark.
std::string utf16_file(const std::wstring& text);

// The removals the platform keeps for the next restart
// (PendingFileRenameOperations), as one text: names with "|" between them,
// characters outside ASCII as "?"; empty when there are none.
std::string pending_removals();
void forget_pending_removals();
