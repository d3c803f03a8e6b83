#pragma once

#include <string>

// A new, empty folder under the Wine prefix's temporary folder, unique to this
// process and `name`.
std::string make_test_folder(const std::string& name);

// Removes a folder the test made, with everything in it.
void remove_test_folder(const std::string& folder);

void write_file(const std::string& path, const std::string& bytes);

// The file's bytes; `missing` tells when it could not be read.
std::string read_file(const std::string& path, bool* missing = nullptr);

bool file_exists(const std::string& path);

// The folder of the running test program, where the programs under test are built.
std::string program_folder();
