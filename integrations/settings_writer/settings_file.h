#pragma once

// Writing remove_tree.exe's settings file, for the settings writer and the
// WiX drop-in's custom actions alike.
#include <windows.h>

// Makes `path` a new, empty file that begins with a UTF-16 byte-order mark,
// so that the profile functions keep every value in UTF-16. Whatever bore
// the name is deleted first (a link itself, never what it leads to).
bool start_settings_file(const wchar_t* path);

// Writes `key` = `value` into section [Strings], in double quotes, which the
// profile reader drops, keeping blanks at either end.
bool write_quoted_value(const wchar_t* path, const wchar_t* key, const wchar_t* value);
