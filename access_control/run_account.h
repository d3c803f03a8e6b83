#pragma once

// The account a run runs as, and whether it has an administrator's rights:
// what an elevated run makes for itself is owned by Administrators, and what
// it starts must be something only the system or that account could have
// written.
#include <windows.h>

// The SID of the account the process runs as (its token's user), into
// `sid`; false when it cannot be learnt.
bool run_account_sid(BYTE (&sid)[SECURITY_MAX_SID_SIZE]);

// Whether the process runs as LocalSystem or with Administrators enabled in
// its token (an elevated administrator; the token UAC gives an
// administrator's unelevated programs holds that group for denial only).
// Only such a run may schedule a deletion for the next restart, and only
// such a run is worth aiming at through what it reads and starts.
bool runs_with_admin_rights();

// The owner such a run gives what it makes for itself: Administrators, which
// its token may set as owner; null for any other run (the platform's default
// owner then).
const void* owner_of_private_objects();
