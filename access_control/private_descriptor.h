#pragma once

// Security descriptors the programs give what they create for themselves,
// built from bytes (no ADVAPI32 call): a protected access list, so nothing
// is inherited from the folder above, that grants everything to LocalSystem
// and Administrators and, when given, to one more account (the run's own
// user), and nothing to anyone else.
#include <windows.h>

struct private_descriptor {
    SECURITY_DESCRIPTOR header;
    // An access list of three entries, each with a SID of at most 15 parts.
    ULONG_PTR access_list[(sizeof(ACL) + 3 * (sizeof(ACCESS_ALLOWED_ACE) + SECURITY_MAX_SID_SIZE)) /
                              sizeof(ULONG_PTR) +
                          1];
};

// Fills `descriptor` for a folder (`inheritable`: what is made in it gets
// the same entries) or a file. `own_user` may be null. `owner`, when not
// null, is set as the owner as the object is made (Administrators for an
// elevated run, so that the user's unelevated programs, which the owner's
// implicit right to change the access list would otherwise serve, cannot);
// null leaves the owner to the platform. False when a SID given is no valid
// one.
bool make_private_descriptor(private_descriptor& descriptor, const void* own_user, bool inheritable,
                             const void* owner = nullptr);

// The SIDs of the accounts that belong to the system itself.
extern const BYTE local_system_sid[12];
extern const BYTE administrators_sid[16];
extern const BYTE trusted_installer_sid[32];

// The length of the SID at `sid` (of `room` bytes); 0 when it is no valid SID.
DWORD sid_length(const void* sid, DWORD room);
