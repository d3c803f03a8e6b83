#pragma once

// Readies the name .\KILL.LOG for this run's log, looking at a leftover
// without following it. A plain file with one name has its read-only
// attribute cleared (its other attributes kept), so it can be rewritten. A
// link, junction or other reparse point, or a file with more than one name,
// is never written through and its attributes stay: the name is set aside
// (renamed to .\KILL.LOG.<process id>.old), which leaves what it leads to as
// it was. False when the name cannot be readied; then no log may be written.
bool ready_kill_log_name();
