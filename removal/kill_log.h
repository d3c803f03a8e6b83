#pragma once

// Readies the name .\KILL.LOG for this run's log: whatever bears it, a log an
// earlier run left or a file, link or junction someone else put there, is set
// aside (private_file.h), never written through or reused. False when the
// name cannot be freed; then no log may be written.
bool ready_kill_log_name();

// Makes .\KILL.LOG new in the current directory, with an access list of
// LocalSystem, Administrators and the run's own account alone, and writes the
// four lines that hand the uninstaller one file tree: `to_kill` and every
// file in it. The log stays held, shared for reading alone, until
// delete_kill_log: nobody else can write a line into it while the
// uninstaller reads it. True only when every line is on disk.
bool write_kill_log(const char* to_kill);

// Lets the log go and deletes .\KILL.LOG when it is still the very file
// write_kill_log wrote in this run; anything else under that name is left
// alone.
void delete_kill_log();
