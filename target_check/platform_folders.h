#pragma once

#include "file_identity.h"

#include <windows.h>

// Why the object `opened` may not be removed, or null: it is one of the
// platform's own folders, an account's own, or a folder that holds one of
// them: the Windows folder, the system folders as 32-bit and 64-bit
// programs see them (System32, SysWOW64, Sysnative), the Program Files
// folders and their Common Files, ProgramData, the profiles folder, this
// run's account's shell folders (Desktop, Documents, Downloads, Music,
// Pictures, Videos, AppData Roaming, Local and LocalLow, Start Menu,
// Programs, Startup, Templates, Temp) and the common ones, and every
// account's own and synced folders (profile_folders.h). The reason names
// the folder's account where it has one ("is the folder Documents of the
// account S-1-5-21-... (profile C:\Users\alice)", "holds ..."). They are
// learnt from the platform (shell, system directories, registry, the
// profiles' hives) on the first call and judged by identity, so no
// spelling, link or redirection slips past. Folders below them are not
// refused. When a folder cannot be kept in the table (no memory), every
// folder is refused.
const wchar_t* platform_folder_refusal(const file_identity& opened);
