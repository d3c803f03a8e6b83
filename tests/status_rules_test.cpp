// The uninstaller's rules for the platform's answers, one table each: what
// is a link, what is retried and scheduled, what is already gone, when the
// POSIX deletion is given up. Windows alone shows most of these answers
// (a running image's "cannot delete", cloud placeholders, file systems
// without POSIX deletion), so the decisions are checked here.
#include "../uninstaller/status_rules.h"

#include <gtest/gtest.h>

TEST(status_rules, links_are_name_surrogates_only) {
    const ULONG reparse = FILE_ATTRIBUTE_REPARSE_POINT, folder = FILE_ATTRIBUTE_DIRECTORY;
    struct {
        const char* what;
        ULONG attributes, tag;
        bool link;
    } cases[] = {
        {"symbolic link", reparse, 0xA000000C, true},
        {"junction", reparse | folder, 0xA0000003, true},
        {"another name surrogate", reparse | folder, 0x20000099, true},
        {"cloud placeholder folder", reparse | folder, 0x9000001A, false},
        {"deduplicated file", reparse, 0x80000013, false},
        {"app execution alias", reparse, 0x8000001B, false},
        {"reparse point without a tag (Wine's host link)", reparse | folder, 0, true},
        {"plain folder", folder, 0, false},
        {"tag without the attribute", folder, 0xA0000003, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(is_link(c.attributes, c.tag), c.link) << c.what;
}

TEST(status_rules, what_is_in_use_gone_or_left) {
    enum decision { retried_then_scheduled, emptying_then_scheduled, gone, left };
    struct {
        const char* what;
        NTSTATUS status;
        decision expected;
        const wchar_t* reason;
    } cases[] = {
        {"held without delete sharing", status_sharing_violation, retried_then_scheduled,
         L"in use"},
        {"locked", status_file_lock_conflict, retried_then_scheduled, L"in use"},
        {"lock not granted", status_lock_not_granted, retried_then_scheduled, L"in use"},
        {"running image", status_cannot_delete, retried_then_scheduled, L"in use"},
        {"entries still going", status_directory_not_empty, emptying_then_scheduled, L"not empty"},
        {"refused by its permissions", status_access_denied, left, L"access denied"},
        {"pending another deletion", status_delete_pending, gone, nullptr},
        {"no such name", status_object_name_not_found, gone, nullptr},
        {"no such path", status_object_path_not_found, gone, nullptr},
        {"vanished from its folder", status_no_such_file, gone, nullptr},
        {"swapped for a file", status_not_a_directory, left,
         L"changed while being removed; not followed"},
        {"anything else", status_invalid_parameter, left, L"cannot be removed"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gone_already(c.status), c.expected == gone) << c.what;
        if (c.expected != gone) {
            EXPECT_EQ(in_use(c.status), c.expected == retried_then_scheduled) << c.what;
            EXPECT_EQ(still_emptying(c.status), c.expected == emptying_then_scheduled) << c.what;
            EXPECT_STREQ(reason_for(c.status), c.reason) << c.what;
        }
    }
}

TEST(status_rules, posix_deletion_is_given_up_where_unsupported) {
    struct {
        NTSTATUS status;
        bool unsupported;
    } cases[] = {
        {status_not_implemented, true},
        {status_invalid_info_class, true},
        {status_invalid_parameter, true},
        {status_not_supported, true},
        {status_invalid_device_request, true},
        {status_cannot_delete, false},
        {status_access_denied, false},
        {status_sharing_violation, false},
        {0, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(posix_deletion_unsupported(c.status), c.unsupported) << std::hex << c.status;
}

// What an entry is opened with: never the right to write its attributes, so
// a file that only its folder's FILE_DELETE_CHILD lets be deleted is deleted
// (Wine checks no access lists, so only the request can be checked).
TEST(status_rules, entries_are_opened_without_writing_attributes) {
    const ACCESS_MASK base = FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    struct {
        const char* what;
        bool enter, deletable;
        ACCESS_MASK access;
    } cases[] = {
        {"file to delete", false, true, base | DELETE},
        {"folder to enter and delete", true, true, base | DELETE | FILE_LIST_DIRECTORY},
        {"current directory, entered only", true, false, base | FILE_LIST_DIRECTORY},
        {"held file, looked at only", false, false, base},
    };
    for (const auto& c : cases)
        EXPECT_EQ(child_access(c.enter, c.deletable), c.access) << c.what;
}

// Where a run may leave names for the deletion at the next restart: only a
// run with an administrator's rights, and only on a fixed disk of this
// machine reached by a letter of its own (Wine reports every drive fixed).
TEST(status_rules, restarts_schedule_on_fixed_disks_alone) {
    struct {
        const char* what;
        bool admin;
        unsigned drive_type;
        const wchar_t* dos_device;
        bool schedules;
    } cases[] = {
        {"C: as an administrator", true, DRIVE_FIXED, L"\\Device\\HarddiskVolume3", true},
        {"a volume mounted in a folder", true, DRIVE_FIXED, nullptr, true},
        {"a standard user's run", false, DRIVE_FIXED, L"\\Device\\HarddiskVolume3", false},
        {"a mapped network drive", true, DRIVE_REMOTE, L"\\Device\\LanmanRedirector\\;Z:0\\srv\\s",
         false},
        {"a removable disk", true, DRIVE_REMOVABLE, L"\\Device\\HarddiskVolume9", false},
        {"a substituted drive", true, DRIVE_FIXED, L"\\??\\C:\\Data", false},
        {"a RAM disk", true, DRIVE_RAMDISK, L"\\Device\\Ram0", false},
        {"no drive type known", true, DRIVE_UNKNOWN, nullptr, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(restart_schedule_refusal(c.admin, c.drive_type, c.dos_device) == nullptr,
                  c.schedules)
            << c.what;
}
