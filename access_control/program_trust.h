#pragma once

// What an elevated run may start. A run as LocalSystem or as an elevated
// administrator often works in a folder others may add to (the Windows
// temporary folder, a folder a package chose); whatever it starts there
// runs with its rights. So it starts only a program that nobody but
// LocalSystem, Administrators, TrustedInstaller and the run's own account
// could have written or swapped: neither the program nor any folder on its
// way, from the volume's root down, may be written, replaced, renamed or
// deleted by anyone else, nor their owner or access list changed, and none
// of them is a link (change_rights.h). That others may add new entries to a
// folder swaps nothing and does not count.
#include <windows.h>

// Judges `program` (a name as it will be started; a relative one from the
// current directory). Null when it may be started: `held` then holds it
// open, shared for reading alone, so that nobody can write, rename or
// delete it until the caller closes it once the program has started.
// Otherwise a short reason, and nothing is held.
const wchar_t* program_start_refusal(const wchar_t* program, HANDLE& held);
