#pragma once

// The native file calls the removal walks with: opening a name relative to
// a folder's handle, listing a folder from its handle with file ids, and
// deleting through a handle. Declared here where the C runtime's headers
// leave them out.
#include <windows.h>
#include <winternl.h>

#include <cstddef>

extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE folder, HANDLE event, PVOID apc_routine,
                                               PVOID apc_context, PIO_STATUS_BLOCK io, PVOID buffer,
                                               ULONG size, FILE_INFORMATION_CLASS kind,
                                               BOOLEAN single_entry, PUNICODE_STRING mask,
                                               BOOLEAN restart);
extern "C" NTSTATUS NTAPI NtQuerySecurityObject(HANDLE handle, SECURITY_INFORMATION what,
                                                PSECURITY_DESCRIPTOR descriptor, ULONG size,
                                                PULONG needed);

// One entry of a FileIdFullDirectoryInformation listing.
struct listed_file {
    ULONG next_entry_offset;
    ULONG file_index;
    LARGE_INTEGER creation_time, last_access_time, last_write_time, change_time;
    LARGE_INTEGER end_of_file, allocation_size;
    ULONG attributes;
    ULONG name_bytes;
    ULONG ea_size; // a reparse point's tag, when the entry is one (reparse_tag_of)
    LARGE_INTEGER file_id;
    WCHAR name[1];
};
static_assert(offsetof(listed_file, name) == 80, "the platform's layout of the listing");

// A listed reparse point's tag: the listing reports it where other entries
// have the size of their extended attributes.
inline ULONG reparse_tag_of(const listed_file& entry) {
    return (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? entry.ea_size : 0;
}

struct basic_file_information {
    LARGE_INTEGER creation_time, last_access_time, last_write_time, change_time;
    ULONG attributes;
};

struct standard_file_information {
    LARGE_INTEGER allocation_size, end_of_file;
    ULONG links;
    BOOLEAN delete_pending, directory;
};

struct attribute_tag_information {
    ULONG attributes;
    ULONG reparse_tag;
};

// The status values the walk tells apart.
constexpr NTSTATUS status_no_more_files = static_cast<NTSTATUS>(0x80000006);
constexpr NTSTATUS status_not_implemented = static_cast<NTSTATUS>(0xC0000002);
constexpr NTSTATUS status_invalid_info_class = static_cast<NTSTATUS>(0xC0000003);
constexpr NTSTATUS status_invalid_parameter = static_cast<NTSTATUS>(0xC000000D);
constexpr NTSTATUS status_no_such_file = static_cast<NTSTATUS>(0xC000000F);
constexpr NTSTATUS status_invalid_device_request = static_cast<NTSTATUS>(0xC0000010);
constexpr NTSTATUS status_access_denied = static_cast<NTSTATUS>(0xC0000022);
constexpr NTSTATUS status_object_name_not_found = static_cast<NTSTATUS>(0xC0000034);
constexpr NTSTATUS status_object_name_collision = static_cast<NTSTATUS>(0xC0000035);
constexpr NTSTATUS status_object_path_not_found = static_cast<NTSTATUS>(0xC000003A);
constexpr NTSTATUS status_sharing_violation = static_cast<NTSTATUS>(0xC0000043);
constexpr NTSTATUS status_file_lock_conflict = static_cast<NTSTATUS>(0xC0000054);
constexpr NTSTATUS status_lock_not_granted = static_cast<NTSTATUS>(0xC0000055);
constexpr NTSTATUS status_delete_pending = static_cast<NTSTATUS>(0xC0000056);
constexpr NTSTATUS status_file_is_a_directory = static_cast<NTSTATUS>(0xC00000BA);
constexpr NTSTATUS status_not_supported = static_cast<NTSTATUS>(0xC00000BB);
constexpr NTSTATUS status_directory_not_empty = static_cast<NTSTATUS>(0xC0000101);
constexpr NTSTATUS status_not_a_directory = static_cast<NTSTATUS>(0xC0000103);
constexpr NTSTATUS status_cannot_delete = static_cast<NTSTATUS>(0xC0000121);

constexpr FILE_INFORMATION_CLASS file_basic_information = static_cast<FILE_INFORMATION_CLASS>(4);
constexpr FILE_INFORMATION_CLASS file_standard_information = static_cast<FILE_INFORMATION_CLASS>(5);
constexpr FILE_INFORMATION_CLASS file_rename_information = static_cast<FILE_INFORMATION_CLASS>(10);
constexpr FILE_INFORMATION_CLASS file_internal_information = static_cast<FILE_INFORMATION_CLASS>(6);
constexpr FILE_INFORMATION_CLASS file_disposition_information =
    static_cast<FILE_INFORMATION_CLASS>(13);
constexpr FILE_INFORMATION_CLASS file_attribute_tag_information =
    static_cast<FILE_INFORMATION_CLASS>(35);
constexpr FILE_INFORMATION_CLASS file_id_full_directory_information =
    static_cast<FILE_INFORMATION_CLASS>(38);
constexpr FILE_INFORMATION_CLASS file_disposition_information_ex =
    static_cast<FILE_INFORMATION_CLASS>(64);

// FileDispositionInformationEx flags (Windows 10 1809 and later).
constexpr ULONG disposition_delete = 0x1, disposition_posix_semantics = 0x2,
                disposition_ignore_readonly = 0x10;
