#pragma once

// A 32-bit program on 64-bit Windows (WOW64) sees the system folder's
// names turned into their twins by the file system redirector: System32
// into SysWOW64, and Sysnative into System32. Whether a name then means
// what its caller meant depends on the caller's bitness, which nothing in a
// settings file or a removal log tells, and the twins often both exist.

// Whether the redirector changes what the full path `full` opens for this
// program: it is a 32-bit program under WOW64, and `full` opened as the
// redirector turns it and opened as it stands are not the same folder (one
// of them missing counts), or it names Sysnative or anything in it. Folders
// Windows exempts from redirection open the same both ways. Where it cannot
// be told, it counts as changed. Always false in a 64-bit program.
bool redirector_changes(const wchar_t* full);
