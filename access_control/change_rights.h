#pragma once

// Who may change a folder, judged from its security descriptor: the rule
// that decides where a name may be left for the platform to delete at the
// next restart, when the deletion runs as LocalSystem and follows whatever
// the name then leads to.
#include <windows.h>

#include <cstddef>

// Whether nobody but LocalSystem, Administrators and TrustedInstaller may
// change the folder whose self-relative security descriptor (owner and
// access list, as NtQuerySecurityObject reports them) is `descriptor`, of
// `size` bytes. Changing is adding, removing or renaming what it holds,
// renaming or deleting it, or changing its attributes, owner or access
// list; the owner may always change the access list. A volume's root cannot
// itself be renamed, and Windows lets every user make folders in C:\: there
// only removing or renaming what it holds and changing its owner or access
// list count. Entries that are inherited only, or that deny, grant nothing
// here; an entry of a kind not known here, a missing access list (anyone may
// do anything) or a descriptor that cannot be read counts as a change
// anyone may make.
bool only_system_may_change(const void* descriptor, std::size_t size, bool volume_root);

// Whether nobody but LocalSystem, Administrators, TrustedInstaller and
// `own_account` (the run's own account; may be null) may replace what the
// descriptor protects: the rule for a program an elevated run starts and
// for every folder on its path. For the program (`folder` false) that is
// writing it, deleting or renaming it, or changing its attributes, owner or
// access list; for a folder, removing or renaming what it holds, deleting
// or renaming it, or changing its owner or access list. Adding new entries
// to a folder swaps nothing and does not count. Entries are read as above.
bool only_trusted_may_replace(const void* descriptor, std::size_t size, bool folder,
                              const void* own_account);
