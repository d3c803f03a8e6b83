#pragma once

// The few things the removal does through handles, one native call each, so
// that what was checked is what is listed, entered and deleted.
#include "nt_file.h"

// Opens the entry `name` (`name_bytes` long, not NUL-terminated) of the
// folder open as `parent`, relative to that handle: the entry itself, never
// what a link or junction leads to where the platform honours that, with
// the right to read its attributes, delete access when `deletable` and, for
// a folder to enter, listing access. No right to write attributes is asked
// for: a file its folder lets be deleted may still refuse that.
NTSTATUS open_child(HANDLE parent, const wchar_t* name, ULONG name_bytes, bool enter,
                    bool deletable, HANDLE& child);

// Opens what `handle` opened once more, to write its attributes (a
// read-only attribute in the way of its deletion).
NTSTATUS reopen_to_set_attributes(HANDLE handle, HANDLE& again);

// Whether the platform names what `handle` opened `name` (`length`
// characters, in a buffer of `room`): the name check that tells an entry
// from what a link it turned out to be leads to, where the platform opens a
// link's target. Names are compared as they stand, or else with the
// trailing dots and blanks of each name dropped on both sides, since Wine
// reports them so. When it is, `name` becomes the platform's spelling, the
// one its own entries will be reported under.
bool opened_as_named(HANDLE handle, wchar_t* name, std::size_t& length, std::size_t room);

// The platform's own name of what `handle` opened, into `name` (room for
// `room` characters and a NUL); false when it has none or it does not fit.
bool platform_name(HANDLE handle, wchar_t* name, std::size_t room, std::size_t& length);

// Lists the folder open as `folder` into `buffer`, from its start when
// `restart`; status_no_more_files at the end.
NTSTATUS list_folder(HANDLE folder, void* buffer, ULONG size, bool restart);

// Lists only the entry `name` of `folder` into `buffer`.
NTSTATUS list_one(HANDLE folder, const wchar_t* name, void* buffer, ULONG size);

// Asks for the deletion of what `handle` opened, to happen when it is
// closed: with POSIX semantics and past a read-only attribute where the
// platform and the file system have that, otherwise the plain way (a
// read-only entry then fails with status_cannot_delete).
NTSTATUS mark_for_deletion(HANDLE handle);

// Whether what `handle` opened is reachable by more than one name (hard
// links). Asked before its deletion is: once a name is pending deletion,
// Windows leaves it out of the count.
bool has_other_names(HANDLE handle);

// The file id of what `handle` opened.
NTSTATUS file_id(HANDLE handle, LONGLONG& id);

// The attributes, the reparse tag (0 for none) and the file id of what
// `handle` opened, from the file itself (no volume query, which Wine answers
// through another process).
NTSTATUS attributes_and_id(HANDLE handle, DWORD& attributes, ULONG& reparse_tag, LONGLONG& id);

// The platform's full Win32 name of what `handle` opened (behind \\?\),
// into `name` of `room` characters; false when it has none.
bool final_name(HANDLE handle, wchar_t* name, DWORD room);

// Sets the attributes of what `handle` opened (0 is written as normal).
NTSTATUS set_attributes(HANDLE handle, DWORD attributes);
