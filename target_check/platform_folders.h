#pragma once

#include "file_identity.h"

#include <windows.h>

// True when the object `opened` is one of the platform's own folders or a
// folder that holds one of them: the Windows folder, the system folders as
// 32-bit and 64-bit programs see them (System32, SysWOW64, Sysnative), the
// Program Files folders and their Common Files, ProgramData, the profiles
// folder, every profile in the profile list, the Public profile, the current
// user's shell folders (Desktop, Documents, Downloads, Music, Pictures,
// Videos, AppData Roaming, Local and LocalLow, Start Menu, Programs, Startup,
// Templates, Temp) and the common ones. They are learnt from the platform
// (shell, system directories, registry) on the first call and judged by
// identity, so no spelling, link or redirection slips past. Folders below
// them are not refused. When a folder cannot be kept in the table (no
// memory), every folder counts as the platform's own.
bool is_platform_folder(const file_identity& opened);
