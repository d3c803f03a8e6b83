#pragma once

#include <windows.h>

// A visible top-level window of the process `process_id` (of class
// `class_name` when it is not null), or null.
HWND visible_window_of_process(DWORD process_id, const char* class_name);
