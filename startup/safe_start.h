#pragma once

// What each of the project's programs does first, at its entry, before it
// loads any DLL beyond those resolved before the entry runs (KERNEL32,
// msvcrt and ntdll, which the platform loads from its own folder):
// - later DLLs, and the DLLs those import, come from the system folder only
//   (SetDefaultDllDirectories), never from the program's folder or the
//   current one, which an ordinary user may be able to write to while the
//   program runs with an administrator's rights. Where the platform lacks
//   that call (Windows 7 without its update), the current folder is taken
//   out of the search (SetDllDirectoryW(L"")), no more can be done there.
// - the platform shows no box of its own for a drive without a disk or a
//   file it cannot open, which would hold up a silent uninstall; the error
//   mode the program was started with is otherwise kept (one that turns the
//   crash box off keeps it off).
// - the DLLs a message box and the shell's folder lookups would have the
//   platform's own DLLs load lazily (COM's, and the theme's blending) are
//   loaded from the system folder at once. Wine 8's DLLs load such DLLs
//   through a search of their own that ignores the restriction above and
//   looks in the program's folder first; a DLL already loaded is taken as it
//   is. On Windows this only loads them a moment earlier.
void start_safely();
