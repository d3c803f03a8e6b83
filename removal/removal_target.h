#pragma once

// True when `path`, read as Windows reads paths, names no single folder but a
// whole volume or more: empty or blank, a drive (`C:`, `C:\`), the root of the
// current drive (`\`, `/`), a share (`\\server\share`), the current directory,
// or a place that `.` and `..` lead back up to. Separators may be doubled or
// trailing, and `\\?\` / `\\.\` prefixes are seen through.
bool names_volume_root(const char* path);
