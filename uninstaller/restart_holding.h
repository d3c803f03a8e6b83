#pragma once

// What is in use goes at the next restart, when the platform deletes the
// names it was given as LocalSystem and follows whatever those names lead to
// by then. So no name it is given passes through a folder that anyone but
// the system's own accounts may change:
// - an entry in use that this run may delete is first moved into a holding
//   folder the run makes at the root of the tree's volume, whose access list
//   grants LocalSystem and Administrators alone (as Windows Installer does
//   with Config.Msi), and is scheduled there; its holder keeps using it
//   until the restart. The holding folder is scheduled after what it holds.
// - an entry that cannot be moved (its holder refuses deletion) is
//   scheduled by its own name only where every folder above it, from the
//   volume's root down, may be changed by those accounts alone.
// Otherwise it is left.
#include <windows.h>

// Readies the holding for the tree whose Win32 name (behind \\?\) is
// `tree`; the holding folder is made when it is first needed.
void begin_holding(const wchar_t* tree);

// Schedules the entry open as `handle` for removal at the next restart.
// `movable`: the handle has delete access, and the entry is the one named
// `name` (`name_bytes` long) in the folder open as `parent`, where it is put
// back when it cannot be scheduled. False, with `why` saying why, when it is
// not scheduled.
bool schedule_for_restart(HANDLE handle, bool movable, HANDLE parent, const wchar_t* name,
                          ULONG name_bytes, const wchar_t*& why);

// How many entries were scheduled by their own name so far: a folder that
// holds one is not moved, or that name would no longer lead to it.
unsigned scheduled_in_place();

// Schedules the holding folder after what it holds, or deletes it when
// nothing was moved into it.
void end_holding();
