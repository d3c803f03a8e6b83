#include "restart_holding.h"

#include "handle_ops.h"
#include "status_rules.h"
#include "../access_control/change_rights.h"
#include "../access_control/private_descriptor.h"
#include "../access_control/run_account.h"
#include "../startup/system_functions.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

static const std::size_t name_room = 32768 + MAX_PATH;
static wchar_t volume_root[name_room];  // the tree's volume's root, behind \\?\ ...
static wchar_t holding_name[name_room]; // ... and the holding folder's name there
static HANDLE holding = nullptr;        // the holding folder, once made
static bool holding_tried;
static const wchar_t* not_schedulable; // why nothing of this tree may be scheduled, or null
static unsigned moved_in;              // entries moved into it so far
static unsigned in_place;              // entries scheduled by their own name

// The owner and access list of what `handle` opened, for the rule.
static bool only_system_may_change_opened(HANDLE handle, bool volume_root_folder) {
    static ULONG_PTR descriptor[65536 / sizeof(ULONG_PTR)];
    ULONG size = 0;
    if (NtQuerySecurityObject(handle, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              descriptor, sizeof descriptor, &size) != 0)
        return false;
    return only_system_may_change(descriptor, size, volume_root_folder);
}

// Opens the folder `path` itself (a link is not followed) to read who may
// change it; null when it cannot, or when it is a link.
static HANDLE open_folder_to_judge(const wchar_t* path, ACCESS_MASK more) {
    HANDLE folder =
        CreateFileW(path, READ_CONTROL | FILE_READ_ATTRIBUTES | more,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (folder == INVALID_HANDLE_VALUE)
        return nullptr;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(folder, &info) ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        CloseHandle(folder);
        return nullptr;
    }
    return folder;
}

// Whether every folder above the entry `path` (a name behind \\?\X:\), from
// the drive's root down, may be changed by the system's accounts alone.
static bool folders_above_only_system_may_change(const wchar_t* path) {
    static wchar_t prefix[name_room];
    std::size_t length = std::wcslen(path);
    if (length < 7 || length >= name_room || std::wcsncmp(path, L"\\\\?\\", 4) != 0 ||
        path[5] != L':' || path[6] != L'\\')
        return false; // not on a drive: a share's names are not the platform's to delete
    std::wmemcpy(prefix, path, length + 1);
    const wchar_t* last = std::wcsrchr(path, L'\\');
    // The root first, then each folder below it down to the entry's own.
    std::size_t last_at = static_cast<std::size_t>(last - path);
    for (std::size_t end = 7; end == 7 || end <= last_at; ++end) {
        if (end > 7 && path[end] != L'\\')
            continue;
        wchar_t kept = prefix[end];
        prefix[end] = L'\0';
        HANDLE folder = open_folder_to_judge(prefix, 0);
        prefix[end] = kept;
        if (folder == nullptr)
            return false;
        bool unchangeable = only_system_may_change_opened(folder, end == 7);
        CloseHandle(folder);
        if (!unchangeable)
            return false;
    }
    return true;
}

// Why nothing on the volume whose root (or mount folder, perhaps behind
// \\?\) is `root` may be scheduled, or null (status_rules.h).
static const wchar_t* volume_refusal(const wchar_t* root) {
    const wchar_t* drive = std::wcsncmp(root, L"\\\\?\\", 4) == 0 ? root + 4 : root;
    static wchar_t target[name_room];
    const wchar_t* dos_device = nullptr;
    if (drive[0] != L'\0' && drive[1] == L':') {
        wchar_t letter[] = {drive[0], L':', L'\0'};
        if (QueryDosDeviceW(letter, target, name_room) == 0)
            return L"in use; not scheduled, as its drive is unknown";
        dos_device = target;
    }
    return restart_schedule_refusal(runs_with_admin_rights(), GetDriveTypeW(root), dos_device);
}

void begin_holding(const wchar_t* tree) {
    holding = nullptr;
    holding_tried = false;
    moved_in = 0;
    volume_root[0] = L'\0';
    not_schedulable = nullptr;
    if (!GetVolumePathNameW(tree, volume_root, name_room)) {
        volume_root[0] = L'\0';
        not_schedulable = L"in use; not scheduled, as its volume is unknown";
    } else {
        not_schedulable = volume_refusal(volume_root);
    }
}

// Appends the number `number` in hexadecimal to `text`.
static void append_number(wchar_t* text, unsigned long number) {
    wchar_t digits[16];
    std::wcscat(text, _ultow(number, digits, 16));
}

// A name nobody can know before it is made: the process id and 64 random bits.
static bool holding_folder_name(wchar_t* name) {
    unsigned long random[2];
    if (!gen_random(random, sizeof random))
        return false;
    std::wcscpy(name, L"RemoveTree.pending.");
    append_number(name, GetCurrentProcessId());
    std::wcscat(name, L".");
    append_number(name, random[0]);
    append_number(name, random[1]);
    return true;
}

// Makes the holding folder at the volume's root, where the root lets nobody
// else remove or rename what it holds. Its owner (Administrators) and access
// list are given as it is made, so there is no moment when others, or the
// user's unelevated programs, may write into it or change who may.
static bool make_holding_folder() {
    if (holding_tried)
        return holding != nullptr;
    holding_tried = true;
    if (not_schedulable != nullptr)
        return false;
    std::size_t root_length = std::wcslen(volume_root);
    if (root_length == 0 || root_length + 40 >= name_room || volume_root[root_length - 1] != L'\\')
        return false;
    HANDLE root = open_folder_to_judge(volume_root, FILE_ADD_SUBDIRECTORY | SYNCHRONIZE);
    if (root == nullptr)
        return false;
    private_descriptor descriptor;
    bool made = false;
    if (only_system_may_change_opened(root, true) &&
        make_private_descriptor(descriptor, nullptr, true, owner_of_private_objects())) {
        for (unsigned attempt = 0; attempt < 16 && !made; ++attempt) {
            static wchar_t name[64];
            if (!holding_folder_name(name))
                break;
            UNICODE_STRING text;
            RtlInitUnicodeString(&text, name);
            OBJECT_ATTRIBUTES object;
            InitializeObjectAttributes(&object, &text, OBJ_CASE_INSENSITIVE, root,
                                       &descriptor.header);
            IO_STATUS_BLOCK io;
            NTSTATUS status = NtCreateFile(
                &holding,
                DELETE | FILE_LIST_DIRECTORY | FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY |
                    FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                &object, &io, nullptr, FILE_ATTRIBUTE_HIDDEN, FILE_SHARE_READ | FILE_SHARE_WRITE,
                FILE_CREATE, FILE_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
            if (status == 0) {
                std::wcscpy(holding_name, volume_root);
                std::wcscat(holding_name, name);
                made = true;
            } else {
                holding = nullptr;
                if (status != status_object_name_collision)
                    break;
            }
        }
    }
    CloseHandle(root);
    return made;
}

// Gives the entry open as `handle` the name `name` in the folder open as
// `folder`.
static NTSTATUS move_into(HANDLE handle, HANDLE folder, const wchar_t* name, ULONG name_bytes) {
    static ULONG_PTR
        request[(sizeof(FILE_RENAME_INFORMATION) + 2 * MAX_PATH + 8) / sizeof(ULONG_PTR) + 1];
    if (name_bytes > 2 * MAX_PATH)
        return status_invalid_parameter;
    FILE_RENAME_INFORMATION* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(request);
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = folder;
    rename->FileNameLength = name_bytes;
    std::memcpy(rename->FileName, name, name_bytes);
    // Never shorter than the record itself, however short the name.
    ULONG size = static_cast<ULONG>(offsetof(FILE_RENAME_INFORMATION, FileName)) + name_bytes;
    if (size < sizeof(FILE_RENAME_INFORMATION))
        size = sizeof(FILE_RENAME_INFORMATION);
    IO_STATUS_BLOCK io;
    return NtSetInformationFile(handle, &io, rename, size, file_rename_information);
}

static bool hold(HANDLE handle, HANDLE parent, const wchar_t* name, ULONG name_bytes) {
    if (!make_holding_folder())
        return false;
    wchar_t number[16];
    _ultow(moved_in + 1, number, 10);
    ULONG number_bytes = static_cast<ULONG>(std::wcslen(number) * sizeof(wchar_t));
    if (move_into(handle, holding, number, number_bytes) != 0)
        return false;
    static wchar_t held_name[name_room];
    std::wcscpy(held_name, holding_name);
    std::wcscat(held_name, L"\\");
    std::wcscat(held_name, number);
    if (MoveFileExW(held_name, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        ++moved_in;
        return true;
    }
    // Not scheduled: the entry goes back where it was.
    move_into(handle, parent, name, name_bytes);
    return false;
}

bool schedule_for_restart(HANDLE handle, bool movable, HANDLE parent, const wchar_t* name,
                          ULONG name_bytes, const wchar_t*& why) {
    if (movable && hold(handle, parent, name, name_bytes))
        return true;
    if (not_schedulable != nullptr) {
        why = not_schedulable;
        return false;
    }
    static wchar_t own_name[name_room];
    if (!final_name(handle, own_name, name_room)) {
        why = L"in use; its name cannot be learnt, so it is not scheduled";
        return false;
    }
    if (!folders_above_only_system_may_change(own_name)) {
        why = L"in use; not scheduled, as others may change a folder above it";
        return false;
    }
    if (!MoveFileExW(own_name, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        why = L"in use; cannot be scheduled";
        return false;
    }
    ++in_place;
    return true;
}

unsigned scheduled_in_place() {
    return in_place;
}

void end_holding() {
    if (holding == nullptr)
        return;
    if (moved_in == 0 || !MoveFileExW(holding_name, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        mark_for_deletion(holding); // empty: goes now
    NtClose(holding);
    holding = nullptr;
}
