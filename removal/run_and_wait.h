#pragma once

#include <cstddef>

// Starts the program named by `command_line` (looked up from the current
// directory, inheriting environment, current directory and inheritable handles)
// and returns once it has ended, with its exit status in `exit_status`, or at
// once, false, when it cannot be started. What the program writes to its
// standard output (UTF-8: the project's UNWISE.EXE reports there what it
// left) goes into `report`, `room` characters at most, NUL-terminated; the
// rest is read and dropped, so the program never waits on a full pipe.
bool run_and_wait(const wchar_t* command_line, unsigned long& exit_status, wchar_t* report,
                  std::size_t room);
