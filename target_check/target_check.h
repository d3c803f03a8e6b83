#pragma once

// The checks that stand between a tree named by a settings file or a removal
// log and its removal. A name passes only when it names one folder below a
// drive's or a share's root, however it is spelt.

// Text only: true when `path` names no single folder but a whole volume or
// more: empty or blank, a drive (`C:`, `C:\`, also `1:\` and other non-letter
// designators), the root of the current drive (`\`, `/`), a share
// (`\\server\share`), the current directory, a place that `.` and `..` lead
// back up to, or a device or volume namespace (`\\.\PhysicalDrive0`,
// `\\?\Volume{...}\`, `\\?\GLOBALROOT\...`, `\??\C:\`). Separators may be
// doubled or trailing; the `\\?\`, `\\.\` and `UNC` markers are read in any
// case.
bool names_volume_root(const char* path);

// True when `path` holds a character that no Windows name may hold: `*?"<>|`,
// a control character, a colon other than the drive designator's, or a slash
// behind `\\?\`, where the platform takes it as part of a name. Such a
// value is a pattern or a damaged name (a character the code page lacks
// arrives as `?`), never a folder. The `?` of a leading `\\?\` is allowed.
bool holds_forbidden_character(const char* path);

// Why `path` may not be removed, judged where the platform resolves it from
// the current directory: null when it names one folder below a root,
// otherwise a short reason. Applies both text checks, then requires
// GetFullPathNameA to give `X:\name...` or `\\server\share\name...` (a
// leading `\\?\` allowed), and, when the folder exists, opens it and refuses
// a volume root or mount point, also when a link or junction leads there.
const char* removal_target_refusal(const char* path);
