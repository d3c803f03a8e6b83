#pragma once

// What the walk makes of the platform's answers and of what a listing shows,
// kept apart from the walk so that each rule reads (and is checked) alone.
#include "nt_file.h"

// A link the walk removes itself and never enters: a reparse point whose
// tag stands for another name (symbolic link, junction, and any other name
// surrogate). Other reparse points (cloud placeholders, deduplicated files)
// hold their own data: such a folder is entered like any other. A reparse
// point without a tag, which Windows never lists, is how Wine lists a host
// link to a folder (showing what it leads to): a link too.
bool is_link(ULONG attributes, ULONG reparse_tag);

// Another program's use explains it, and it may end in a moment: held
// without delete sharing, locked, a name still pending another deletion, or
// a running program's image (cannot delete, once a read-only attribute is
// out of the way). Retried for a moment, then scheduled for the next
// restart. Access denied is not among them: a refusal the restart would
// override is an answer, left as it is.
bool in_use(NTSTATUS status);

// A folder whose entries were all deleted but are still going: their
// deletion waits for the programs that hold them. Retried for a moment,
// then scheduled for the next restart like what is in use.
bool still_emptying(NTSTATUS status);

// The entry is not there (any more): nothing is left to remove.
bool gone_already(NTSTATUS status);

// The platform cannot take a deletion with POSIX semantics on this file
// system; the plain deletion is asked for instead.
bool posix_deletion_unsupported(NTSTATUS status);

// Why an entry the walk could not remove was left, for the report.
const wchar_t* reason_for(NTSTATUS status);

// The access an entry of the tree is opened with: its attributes read,
// delete access when it is to be deleted and listing when it is a folder to
// enter. Never the right to write attributes, which a file its folder lets
// be deleted (FILE_DELETE_CHILD) may refuse; that is asked for apart, only
// where a read-only attribute is in the way.
ACCESS_MASK child_access(bool enter, bool deletable);

// Why nothing in use on a volume may be scheduled for the next restart, or
// null when it may. The deletion at boot runs as LocalSystem and finds its
// names again only on a fixed disk of this machine (`drive_type`, as
// GetDriveTypeW reports its root) reached by a letter that is no
// substituted folder (`dos_device`, what QueryDosDeviceW gives the letter;
// null for a volume without one): a network drive's or a substituted
// drive's letter belongs to a logon session, and a removable disk's letter
// changes and its files may have been changed on another machine. And only
// a run with an administrator's rights may schedule anything.
const wchar_t* restart_schedule_refusal(bool admin_rights, unsigned drive_type,
                                        const wchar_t* dos_device);
