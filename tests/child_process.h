#pragma once

#include <windows.h>

#include <string>

// Starts `program`, its quoted name followed by `arguments` on its command
// line, in `folder`, inheriting no handles. False when it cannot be started.
bool start_program(const std::string& program, const std::string& arguments,
                   const std::string& folder, PROCESS_INFORMATION& process);

// The same with names in UTF-16, for names outside the code page.
bool start_program(const std::wstring& program, const std::wstring& arguments,
                   const std::wstring& folder, PROCESS_INFORMATION& process);

// A visible top-level window of the process `process_id` (of class
// `class_name` when it is not null), or null.
HWND visible_window_of_process(DWORD process_id, const char* class_name);

// A visible top-level dialog (class "#32770") of any process whose title is
// `title` (`whole_title`) or begins with it, or null.
HWND visible_dialog_titled(const char* title, bool whole_title);
