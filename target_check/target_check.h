#pragma once

#include <windows.h>

// The checks that stand between a tree named by a settings file or a removal
// log and its removal. A name passes only when it names one folder below a
// drive's or a share's root, however it is spelt, and none of the platform's
// own folders. Names are UTF-16 throughout, so no character is changed on
// its way to the check.

// Text only: true when `path` names no single folder but a whole volume or
// more: empty or blank, a drive (`C:`, `C:\`, also `1:\` and other non-letter
// designators), the root of the current drive (`\`, `/`), a share
// (`\\server\share`), the current directory, a place that `.` and `..` lead
// back up to, or a device or volume namespace (`\\.\PhysicalDrive0`,
// `\\?\Volume{...}\`, `\\?\GLOBALROOT\...`, `\??\C:\`). Separators may be
// doubled or trailing; the `\\?\`, `\\.\` and `UNC` markers are read in any
// case.
bool names_volume_root(const wchar_t* path);

// True when `path` holds a character that no Windows name may hold: `*?"<>|`,
// a control character, a colon other than the drive designator's, or a slash
// behind `\\?\`, where the platform takes it as part of a name. Such a
// value is a pattern or a damaged name, never a folder. The `?` of a leading
// `\\?\` is allowed.
bool holds_forbidden_character(const wchar_t* path);

// True when `path` names a folder and then climbs back out of it, so that it
// resolves to that folder's parent or further up (`Vendor\Tool\..`, also
// with doubled separators or names of dots and blanks that Windows reads as
// `..`). No installer means that, but a name whose characters were replaced
// on their way (a fullwidth `＼` that became `\`) arrives so. Climbing to a
// sibling (`App\..\Shared`), back down again (`Program Files\..\Program
// Files\Tool`) or from a relative start (`..\Tool`) is not climbing out.
bool climbs_out_of_named_folder(const wchar_t* path);

// Why `path` may not be removed, judged where the platform resolves it from
// the current directory: null when it names one folder below a root,
// otherwise a short reason. Applies the text checks, then requires
// GetFullPathNameW to give `X:\name...` or `\\server\share\name...` (a
// leading `\\?\` allowed) that means the same folder to 32-bit and 64-bit
// programs (wow64_redirection.h), and, when the folder exists, opens it
// (links followed) and judges what it opened with opened_folder_refusal.
const wchar_t* removal_target_refusal(const wchar_t* path);

// Why the existing folder open as `folder`, whose full path is `full`, may
// not be removed: null when it may, otherwise a short reason. Refused are a
// volume's root or a mount point, by its name or, through a link or
// junction, by what it is, and the platform's own folders and every folder
// that holds one of them (platform_folders.h).
const wchar_t* opened_folder_refusal(HANDLE folder, const wchar_t* full);
