#pragma once

// The settings-file path named by the command tail, as a new NUL-terminated
// string the caller frees with std::free; null when memory runs out.
// A tail that begins with a double quote names the text after it, up to the
// next double quote or the end; any other tail is the path whole, blanks included.
char* settings_path_from_tail(const char* tail);
