#include "handle_ops.h"

#include "status_rules.h"

#include <cwchar>

// Some platforms refuse OBJ_DONT_REPARSE; they are asked once.
static ULONG open_attributes = OBJ_DONT_REPARSE;
static bool posix_deletion = true;

NTSTATUS open_child(HANDLE parent, const wchar_t* name, ULONG name_bytes, bool enter,
                    bool deletable, HANDLE& child) {
    UNICODE_STRING text;
    text.Buffer = const_cast<wchar_t*>(name);
    text.Length = text.MaximumLength = static_cast<USHORT>(name_bytes);
    ACCESS_MASK access = child_access(enter, deletable);
    ULONG options = FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT |
                    FILE_SYNCHRONOUS_IO_NONALERT | (enter ? FILE_DIRECTORY_FILE : 0);
    for (;;) {
        OBJECT_ATTRIBUTES object;
        InitializeObjectAttributes(&object, &text, open_attributes, parent, nullptr);
        IO_STATUS_BLOCK io;
        child = nullptr;
        NTSTATUS status = NtCreateFile(&child, access, &object, &io, nullptr, 0,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       FILE_OPEN, options, nullptr, 0);
        if (status == status_invalid_parameter && open_attributes != 0) {
            open_attributes = 0;
            continue;
        }
        return status;
    }
}

NTSTATUS reopen_to_set_attributes(HANDLE handle, HANDLE& again) {
    UNICODE_STRING nothing = {0, 0, nullptr};
    OBJECT_ATTRIBUTES object;
    InitializeObjectAttributes(&object, &nothing, 0, handle, nullptr);
    IO_STATUS_BLOCK io;
    again = nullptr;
    return NtCreateFile(&again, FILE_WRITE_ATTRIBUTES | SYNCHRONIZE, &object, &io, nullptr, 0,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
                        FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT |
                            FILE_SYNCHRONOUS_IO_NONALERT,
                        nullptr, 0);
}

bool platform_name(HANDLE handle, wchar_t* name, std::size_t room, std::size_t& length) {
    // The name comes back as a counted string behind its header.
    static ULONG_PTR reply[(sizeof(UNICODE_STRING) + 65536) / sizeof(ULONG_PTR) + 1];
    ULONG returned = 0;
    if (NtQueryObject(handle, ObjectNameInformation, reply, sizeof reply, &returned) != 0)
        return false;
    const UNICODE_STRING* text = reinterpret_cast<const UNICODE_STRING*>(reply);
    length = text->Length / sizeof(wchar_t);
    if (length >= room)
        return false;
    std::wmemcpy(name, text->Buffer, length);
    name[length] = L'\0';
    return true;
}

// Where the name that starts at `start` ends (at a separator or `end`);
// `trimmed` is where it ends once trailing dots and blanks are dropped.
static const wchar_t* name_end(const wchar_t* start, const wchar_t* end, const wchar_t*& trimmed) {
    const wchar_t* at = start;
    while (at < end && *at != L'\\')
        ++at;
    trimmed = at;
    while (trimmed > start && (trimmed[-1] == L'.' || trimmed[-1] == L' '))
        --trimmed;
    return at;
}

// `a` and `b` are the same names in the same order, but for trailing dots
// and blanks.
static bool same_but_trailing(const wchar_t* a, std::size_t a_length, const wchar_t* b,
                              std::size_t b_length) {
    const wchar_t *a_end = a + a_length, *b_end = b + b_length;
    while (a < a_end && b < b_end) {
        const wchar_t *a_trimmed, *b_trimmed;
        const wchar_t* a_next = name_end(a, a_end, a_trimmed);
        const wchar_t* b_next = name_end(b, b_end, b_trimmed);
        if (a_trimmed - a != b_trimmed - b || std::wmemcmp(a, b, a_trimmed - a) != 0)
            return false;
        if ((a_next < a_end) != (b_next < b_end))
            return false;
        a = a_next + (a_next < a_end);
        b = b_next + (b_next < b_end);
    }
    return a >= a_end && b >= b_end;
}

bool opened_as_named(HANDLE handle, wchar_t* name, std::size_t& length, std::size_t room) {
    static wchar_t found[32768];
    std::size_t found_length = 0;
    if (!platform_name(handle, found, 32768, found_length) || found_length >= room)
        return false;
    if (found_length == length && std::wmemcmp(found, name, length) == 0)
        return true;
    if (!same_but_trailing(found, found_length, name, length))
        return false;
    std::wmemcpy(name, found, found_length + 1);
    length = found_length;
    return true;
}

NTSTATUS list_folder(HANDLE folder, void* buffer, ULONG size, bool restart) {
    IO_STATUS_BLOCK io;
    return NtQueryDirectoryFile(folder, nullptr, nullptr, nullptr, &io, buffer, size,
                                file_id_full_directory_information, FALSE, nullptr,
                                restart ? TRUE : FALSE);
}

NTSTATUS list_one(HANDLE folder, const wchar_t* name, void* buffer, ULONG size) {
    UNICODE_STRING mask;
    RtlInitUnicodeString(&mask, name);
    IO_STATUS_BLOCK io;
    return NtQueryDirectoryFile(folder, nullptr, nullptr, nullptr, &io, buffer, size,
                                file_id_full_directory_information, TRUE, &mask, TRUE);
}

NTSTATUS mark_for_deletion(HANDLE handle) {
    IO_STATUS_BLOCK io;
    if (posix_deletion) {
        // The name goes at once, even while others hold the file open.
        ULONG flags =
            disposition_delete | disposition_posix_semantics | disposition_ignore_readonly;
        NTSTATUS status = NtSetInformationFile(handle, &io, &flags, sizeof flags,
                                               file_disposition_information_ex);
        if (!posix_deletion_unsupported(status))
            return status;
        posix_deletion = false;
    }
    BOOLEAN delete_file = TRUE;
    return NtSetInformationFile(handle, &io, &delete_file, sizeof delete_file,
                                file_disposition_information);
}

NTSTATUS set_attributes(HANDLE handle, DWORD attributes) {
    basic_file_information basic = {};
    basic.attributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    IO_STATUS_BLOCK io;
    return NtSetInformationFile(handle, &io, &basic, sizeof basic, file_basic_information);
}

NTSTATUS file_id(HANDLE handle, LONGLONG& id) {
    LARGE_INTEGER index;
    IO_STATUS_BLOCK io;
    NTSTATUS status =
        NtQueryInformationFile(handle, &io, &index, sizeof index, file_internal_information);
    id = index.QuadPart;
    return status;
}

NTSTATUS attributes_and_id(HANDLE handle, DWORD& attributes, ULONG& reparse_tag, LONGLONG& id) {
    attribute_tag_information tagged = {};
    IO_STATUS_BLOCK io;
    NTSTATUS status =
        NtQueryInformationFile(handle, &io, &tagged, sizeof tagged, file_attribute_tag_information);
    attributes = tagged.attributes;
    reparse_tag = tagged.reparse_tag;
    return status != 0 ? status : file_id(handle, id);
}

bool has_other_names(HANDLE handle) {
    standard_file_information standard = {};
    IO_STATUS_BLOCK io;
    return NtQueryInformationFile(handle, &io, &standard, sizeof standard,
                                  file_standard_information) == 0 &&
           standard.links > 1;
}

bool final_name(HANDLE handle, wchar_t* name, DWORD room) {
    DWORD length = GetFinalPathNameByHandleW(handle, name, room, FILE_NAME_NORMALIZED);
    return length > 0 && length < room;
}
