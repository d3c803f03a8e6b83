#pragma once

// Creates .\KILL.LOG in the current directory (truncating a writable one left
// from an earlier run) and writes the four lines that hand the uninstaller one
// file tree: `to_kill` and every file in it. Reports nothing; when the file
// cannot be opened nothing is written.
void write_kill_log(const char* to_kill);
