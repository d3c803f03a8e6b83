#include "run_account.h"

#include "private_descriptor.h"
#include "../startup/system_functions.h"

#include <cstring>

// The token's information of `kind`, into `buffer`; false when it cannot be read.
static bool read_token(TOKEN_INFORMATION_CLASS kind, void* buffer, DWORD size) {
    HANDLE token;
    if (!open_process_token(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    DWORD needed = 0;
    bool read = get_token_information(token, kind, buffer, size, &needed) != FALSE;
    CloseHandle(token);
    return read;
}

bool run_account_sid(BYTE (&sid)[SECURITY_MAX_SID_SIZE]) {
    static ULONG_PTR user[(sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE) / sizeof(ULONG_PTR) + 1];
    if (!read_token(TokenUser, user, sizeof user))
        return false;
    TOKEN_USER header;
    std::memcpy(&header, user, sizeof header);
    DWORD length = sid_length(header.User.Sid, SECURITY_MAX_SID_SIZE);
    if (length == 0)
        return false;
    std::memcpy(sid, header.User.Sid, length);
    return true;
}

static bool is_sid(const void* sid, const BYTE* known, DWORD known_length) {
    return sid_length(sid, SECURITY_MAX_SID_SIZE) == known_length &&
           std::memcmp(sid, known, known_length) == 0;
}

bool runs_with_admin_rights() {
    static int known = -1;
    if (known >= 0)
        return known == 1;
    known = 0;
    BYTE user[SECURITY_MAX_SID_SIZE];
    if (run_account_sid(user) && is_sid(user, local_system_sid, sizeof local_system_sid)) {
        known = 1;
        return true;
    }
    static ULONG_PTR groups[65536 / sizeof(ULONG_PTR)];
    if (!read_token(TokenGroups, groups, sizeof groups))
        return false;
    const TOKEN_GROUPS* list = reinterpret_cast<const TOKEN_GROUPS*>(groups);
    for (DWORD i = 0; i < list->GroupCount; ++i) {
        const SID_AND_ATTRIBUTES& group = list->Groups[i];
        if (is_sid(group.Sid, administrators_sid, sizeof administrators_sid) &&
            (group.Attributes & SE_GROUP_ENABLED) != 0 &&
            (group.Attributes & SE_GROUP_USE_FOR_DENY_ONLY) == 0)
            known = 1;
    }
    return known == 1;
}

const void* owner_of_private_objects() {
    return runs_with_admin_rights() ? administrators_sid : nullptr;
}
