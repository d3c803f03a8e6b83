#pragma once

// The removal runs once the uninstall can no longer be rolled back, when
// Windows Installer has removed the installed tools already. So an earlier
// deferred action copies them into a folder made new for them, which only
// LocalSystem and Administrators may change; the commit action runs them
// there and empties it, and so does the rollback action when the uninstall
// is rolled back instead.

// The names the tools and their files have in that folder.
extern const wchar_t staged_program[], staged_uninstaller[], staged_settings[], staged_result[];

// Makes `folder` new, with an access list of LocalSystem and Administrators
// alone and Administrators its owner, and copies remove_tree.exe and
// UNWISE.EXE from `tools` into it, each only when nobody but the system's
// accounts could have written or swapped it (program_trust.h). Null when
// done; otherwise why not.
const wchar_t* stage_tools(const wchar_t* tools, const wchar_t* folder);

// `folder` and `name` joined by a backslash into `path` (of `room`
// characters); false when it does not fit.
bool staged_path(const wchar_t* folder, const wchar_t* name, wchar_t* path, unsigned room);

// Deletes what a run leaves in `folder` (the two programs, the settings and
// result files) and then the folder.
void clear_staged_tools(const wchar_t* folder);
