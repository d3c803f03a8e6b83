#include "change_rights.h"

#include "private_descriptor.h"

#include <cstddef>
#include <cstring>

// The rights that change a folder or what it holds.
static const ACCESS_MASK folder_change_rights =
    FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_WRITE_EA | FILE_DELETE_CHILD |
    FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
static const ACCESS_MASK root_change_rights =
    FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER | GENERIC_ALL;
// The rights that replace a program, or swap a folder on its path. A
// folder's GENERIC_WRITE adds entries and changes attributes alone.
static const ACCESS_MASK program_replace_rights =
    FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES | DELETE |
    WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
static const ACCESS_MASK path_folder_replace_rights =
    FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_ALL;

static bool same_sid(const BYTE* sid, DWORD room, const BYTE* known, DWORD known_length) {
    return sid_length(sid, room) == known_length && std::memcmp(sid, known, known_length) == 0;
}

// LocalSystem, Administrators, TrustedInstaller, and `own_account` when given.
static bool is_trusted_account(const BYTE* sid, DWORD room, const void* own_account) {
    if (same_sid(sid, room, local_system_sid, sizeof local_system_sid) ||
        same_sid(sid, room, administrators_sid, sizeof administrators_sid) ||
        same_sid(sid, room, trusted_installer_sid, sizeof trusted_installer_sid))
        return true;
    DWORD own_length = own_account != nullptr ? sid_length(own_account, SECURITY_MAX_SID_SIZE) : 0;
    return own_length != 0 &&
           same_sid(sid, room, static_cast<const BYTE*>(own_account), own_length);
}

// Kinds of entries that grant nothing: denials, audits, alarms, labels,
// attributes and policies.
static bool grants_nothing(BYTE type) {
    switch (type) {
    case ACCESS_DENIED_ACE_TYPE:
    case SYSTEM_AUDIT_ACE_TYPE:
    case SYSTEM_ALARM_ACE_TYPE:
    case ACCESS_DENIED_OBJECT_ACE_TYPE:
    case SYSTEM_AUDIT_OBJECT_ACE_TYPE:
    case SYSTEM_ALARM_OBJECT_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE:
    case SYSTEM_AUDIT_CALLBACK_ACE_TYPE:
    case SYSTEM_ALARM_CALLBACK_ACE_TYPE:
    case SYSTEM_AUDIT_CALLBACK_OBJECT_ACE_TYPE:
    case SYSTEM_ALARM_CALLBACK_OBJECT_ACE_TYPE:
    case 0x11: // mandatory label
    case 0x12: // resource attribute
    case 0x13: // scoped policy id
    case 0x14: // process trust label
    case 0x15: // access filter
        return true;
    default:
        return false;
    }
}

// Whether nobody but the trusted accounts owns the object or is granted any
// of `rights` on it.
static bool only_trusted_may(const void* descriptor, std::size_t size, ACCESS_MASK rights,
                             const void* own_account) {
    const BYTE* bytes = static_cast<const BYTE*>(descriptor);
    SECURITY_DESCRIPTOR_RELATIVE header;
    if (descriptor == nullptr || size < sizeof header)
        return false;
    std::memcpy(&header, bytes, sizeof header);
    if (!(header.Control & SE_SELF_RELATIVE) || !(header.Control & SE_DACL_PRESENT) ||
        header.Owner == 0 || header.Owner >= size || header.Dacl == 0 ||
        header.Dacl + sizeof(ACL) > size)
        return false;
    if (!is_trusted_account(bytes + header.Owner, static_cast<DWORD>(size - header.Owner),
                            own_account))
        return false;
    ACL list;
    std::memcpy(&list, bytes + header.Dacl, sizeof list);
    if (header.Dacl + list.AclSize > size)
        return false;
    std::size_t at = header.Dacl + sizeof list, end = header.Dacl + list.AclSize;
    for (WORD i = 0; i < list.AceCount; ++i) {
        ACE_HEADER entry;
        if (at + sizeof entry > end)
            return false;
        std::memcpy(&entry, bytes + at, sizeof entry);
        if (entry.AceSize < sizeof entry || at + entry.AceSize > end)
            return false;
        if (!(entry.AceFlags & INHERIT_ONLY_ACE) && !grants_nothing(entry.AceType)) {
            // Only plain grants (with or without a condition) are read; any
            // other kind may grant anything.
            if (entry.AceType != ACCESS_ALLOWED_ACE_TYPE &&
                entry.AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
                return false;
            std::size_t sid_at = offsetof(ACCESS_ALLOWED_ACE, SidStart);
            if (entry.AceSize < sid_at + 8)
                return false;
            ACCESS_MASK mask;
            std::memcpy(&mask, bytes + at + sizeof entry, sizeof mask);
            if ((mask & rights) != 0 &&
                !is_trusted_account(bytes + at + sid_at, static_cast<DWORD>(entry.AceSize - sid_at),
                                    own_account))
                return false;
        }
        at += entry.AceSize;
    }
    return true;
}

bool only_system_may_change(const void* descriptor, std::size_t size, bool volume_root) {
    return only_trusted_may(descriptor, size,
                            volume_root ? root_change_rights : folder_change_rights, nullptr);
}

bool only_trusted_may_replace(const void* descriptor, std::size_t size, bool folder,
                              const void* own_account) {
    return only_trusted_may(descriptor, size,
                            folder ? path_folder_replace_rights : program_replace_rights,
                            own_account);
}
