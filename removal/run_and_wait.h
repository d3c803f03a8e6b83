#pragma once

// Starts the program named by `command_line` (looked up from the current
// directory, inheriting environment, current directory and inheritable handles)
// and returns once it has ended, with its exit status in `exit_status`, or at
// once, false, when it cannot be started.
bool run_and_wait(const wchar_t* command_line, unsigned long& exit_status);
