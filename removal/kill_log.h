#pragma once

// Readies the name .\KILL.LOG for this run's log, looking at a leftover
// without following it. A plain file with one name has its read-only
// attribute cleared (its other attributes kept), so it can be rewritten. A
// link, junction or other reparse point, or a file with more than one name,
// is never written through and its attributes stay: the name is set aside
// (renamed to .\KILL.LOG.<process id>.old), which leaves what it leads to as
// it was. False when the name cannot be readied; then no log may be written.
bool ready_kill_log_name();

// Creates .\KILL.LOG in the current directory, or truncates the one there,
// and writes the four lines that hand the uninstaller one file tree:
// `to_kill` and every file in it. A name that is a link or reparse point, or
// a file with more than one name, is never written through. True only when
// every line is on disk and the file is closed.
bool write_kill_log(const char* to_kill);

// Deletes .\KILL.LOG when it is still the very file write_kill_log wrote in
// this run; anything else under that name is left alone.
void delete_kill_log();
