#include "private_descriptor.h"

#include <cstddef>
#include <cstring>

// S-1-5-18, S-1-5-32-544 and NT SERVICE\TrustedInstaller
// (S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464), as the
// platform lays SIDs out: revision, count of parts, authority, parts.
const BYTE local_system_sid[12] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
const BYTE administrators_sid[16] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};
const BYTE trusted_installer_sid[32] = {
    1,    6,    0,    0,    0,    0,    0,    5,    80,   0,    0,    0,    0xB5, 0x89, 0xFB, 0x38,
    0x19, 0x84, 0xC2, 0xCB, 0x5C, 0x6C, 0x23, 0x6D, 0x57, 0x00, 0x77, 0x6E, 0xC0, 0x02, 0x64, 0x87};

DWORD sid_length(const void* sid, DWORD room) {
    const BYTE* bytes = static_cast<const BYTE*>(sid);
    if (sid == nullptr || room < 8 || bytes[0] != 1 || bytes[1] > 15)
        return 0;
    DWORD length = 8 + 4 * static_cast<DWORD>(bytes[1]);
    return length <= room ? length : 0;
}

// Appends an entry granting everything to `sid` at `at`; returns its size.
static WORD add_full_access(BYTE* at, const void* sid, BYTE flags) {
    DWORD length = sid_length(sid, SECURITY_MAX_SID_SIZE);
    ACCESS_ALLOWED_ACE entry = {};
    entry.Header.AceType = ACCESS_ALLOWED_ACE_TYPE;
    entry.Header.AceFlags = flags;
    entry.Header.AceSize = static_cast<WORD>(offsetof(ACCESS_ALLOWED_ACE, SidStart) + length);
    entry.Mask = FILE_ALL_ACCESS;
    std::memcpy(at, &entry, offsetof(ACCESS_ALLOWED_ACE, SidStart));
    std::memcpy(at + offsetof(ACCESS_ALLOWED_ACE, SidStart), sid, length);
    return entry.Header.AceSize;
}

bool make_private_descriptor(private_descriptor& descriptor, const void* own_user, bool inheritable,
                             const void* owner) {
    if ((own_user != nullptr && sid_length(own_user, SECURITY_MAX_SID_SIZE) == 0) ||
        (owner != nullptr && sid_length(owner, SECURITY_MAX_SID_SIZE) == 0))
        return false;
    std::memset(&descriptor, 0, sizeof descriptor);
    BYTE flags = inheritable ? OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE : 0;
    BYTE* list = reinterpret_cast<BYTE*>(descriptor.access_list);
    WORD size = sizeof(ACL);
    WORD count = 0;
    const void* const sids[] = {local_system_sid, administrators_sid, own_user};
    for (const void* sid : sids) {
        if (sid == nullptr)
            continue;
        size += add_full_access(list + size, sid, flags);
        ++count;
    }
    ACL header = {};
    header.AclRevision = ACL_REVISION;
    header.AclSize = size;
    header.AceCount = count;
    std::memcpy(list, &header, sizeof header);
    descriptor.header.Revision = SECURITY_DESCRIPTOR_REVISION;
    descriptor.header.Control = SE_DACL_PRESENT | SE_DACL_PROTECTED;
    descriptor.header.Dacl = reinterpret_cast<PACL>(list);
    descriptor.header.Owner = const_cast<void*>(owner);
    return true;
}
