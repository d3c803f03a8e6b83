#include "status_rules.h"

#include <cwchar>

// A reparse tag's name-surrogate bit (IsReparseTagNameSurrogate).
static const ULONG name_surrogate = 0x20000000;

bool is_link(ULONG attributes, ULONG reparse_tag) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           ((reparse_tag & name_surrogate) != 0 || reparse_tag == 0);
}

bool in_use(NTSTATUS status) {
    return status == status_sharing_violation || status == status_file_lock_conflict ||
           status == status_lock_not_granted || status == status_delete_pending ||
           status == status_cannot_delete;
}

bool still_emptying(NTSTATUS status) {
    return status == status_directory_not_empty;
}

bool gone_already(NTSTATUS status) {
    return status == status_object_name_not_found || status == status_object_path_not_found ||
           status == status_no_such_file || status == status_delete_pending;
}

bool posix_deletion_unsupported(NTSTATUS status) {
    return status == status_not_implemented || status == status_invalid_info_class ||
           status == status_invalid_parameter || status == status_not_supported ||
           status == status_invalid_device_request;
}

const wchar_t* reason_for(NTSTATUS status) {
    switch (status) {
    case status_sharing_violation:
    case status_file_lock_conflict:
    case status_lock_not_granted:
    case status_cannot_delete:
        return L"in use";
    case status_access_denied:
        return L"access denied";
    case status_directory_not_empty:
        return L"not empty";
    case status_not_a_directory:
    case status_file_is_a_directory:
        return L"changed while being removed; not followed";
    default:
        return L"cannot be removed";
    }
}

ACCESS_MASK child_access(bool enter, bool deletable) {
    ACCESS_MASK access = FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    if (deletable)
        access |= DELETE;
    if (enter)
        access |= FILE_LIST_DIRECTORY;
    return access;
}

const wchar_t* restart_schedule_refusal(bool admin_rights, unsigned drive_type,
                                        const wchar_t* dos_device) {
    if (!admin_rights)
        return L"in use; not scheduled, as only an administrator may schedule it";
    if (drive_type != DRIVE_FIXED)
        return L"in use; not scheduled, as it is not on a fixed disk of this machine";
    if (dos_device != nullptr && std::wcsncmp(dos_device, L"\\??\\", 4) == 0)
        return L"in use; not scheduled, as its drive is another folder's name";
    return nullptr;
}
