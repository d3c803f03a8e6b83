#pragma once

// The command tail of a whole command line, as the C runtime's start-up code
// for GUI programs leaves it: past the program's name (a quoted name ends at
// the next double quote, which is skipped too; an unquoted one at the first
// character of code 32 or less) and the characters of code 1 to 32 after it.
const wchar_t* command_tail(const wchar_t* command_line);

// The settings-file path named by the command tail, as a new NUL-terminated
// string the caller frees with std::free; null when memory runs out.
// A tail that begins with a double quote names the text after it, up to the
// next double quote or the end; any other tail is the path whole, blanks included.
wchar_t* settings_path_from_tail(const wchar_t* tail);
