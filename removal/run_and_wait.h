#pragma once

// Starts the program named by `command_line` (looked up from the current
// directory, inheriting environment, current directory and inheritable handles)
// and returns once it has ended, or at once when it cannot be started.
void run_and_wait(const wchar_t* command_line);
