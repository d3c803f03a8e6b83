#pragma once

// The files a run writes for another program to read (the removal log for
// the uninstaller, the result for the installer) lie in folders others may
// add to. So whatever already bears such a name is set aside, never written
// through, and the file is made new with an access list of its own.
#include <windows.h>

// Sets aside whatever bears the name `path`, looked at without following
// it: it is renamed "<name>.<process id>.old" (".<n>.old" when that is
// taken), and a plain file with one name is then deleted; a link, junction
// or file with other names is left under its new name, as it was. True when
// the name is free; false when it is not and cannot be made so (held open
// without delete sharing, say).
bool set_aside(const wchar_t* path);

// Makes the file `path` new (an existing name, link or not, fails), with an
// access list of LocalSystem, Administrators and the run's own account
// alone, owned by Administrators when the run has an administrator's
// rights. It is open for writing and shared for reading alone, so nobody
// else may write it while the handle is open; the handle is not inherited.
// INVALID_HANDLE_VALUE when it cannot be made.
HANDLE create_private_file(const wchar_t* path);
