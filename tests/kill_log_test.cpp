#include "../removal/kill_log.h"
#include "test_files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

static const std::string log_head = "***  Installation Started  ***\r\nTitle: \r\nSource: \r\n";

// Runs the log's steps in a folder of its own, as the removal does.
struct in_log_folder {
    std::string folder;
    char previous[MAX_PATH];
    explicit in_log_folder(const char* name) : folder(make_test_folder(name)) {
        GetCurrentDirectoryA(sizeof previous, previous);
        SetCurrentDirectoryA(folder.c_str());
    }
    ~in_log_folder() {
        delete_kill_log();
        SetCurrentDirectoryA(previous);
        remove_test_folder(folder);
    }
};

// The log's bytes as the uninstaller reads them (sharing reading and
// writing, as a C runtime's reader does), over an optional leftover.
static std::string log_written(const std::string& to_kill, const std::string& leftover) {
    in_log_folder here("kill_log");
    if (!leftover.empty())
        write_file("KILL.LOG", leftover);
    EXPECT_TRUE(ready_kill_log_name());
    EXPECT_TRUE(write_kill_log(to_kill.c_str())) << "written whole";
    return read_file("KILL.LOG");
}

TEST(kill_log, the_four_lines) {
    std::string bytes = log_written("C:\\Program Files\\Tool", "");
    EXPECT_EQ(bytes, log_head + "File Tree: C:\\Program Files\\Tool\\*.*\r\n");
    EXPECT_EQ(bytes.size(), 89u);
}

TEST(kill_log, tree_line_copies_to_kill_unchanged) {
    struct {
        const char* name;
        std::string to_kill;
        std::string leftover;
    } cases[] = {
        {"trailing backslash", "C:\\Tool\\", ""},
        {"259 characters", "C:\\" + std::string(256, 'd'), ""},
        {"bytes outside ASCII",
         "C:\\Programme\\Gr\xfc\xdf"
         "e \xe9t\xe9",
         ""},
        {"a leftover goes, none of it stays", "C:\\Tool", std::string(1000, 'L') + "\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(log_written(c.to_kill, c.leftover),
                  log_head + "File Tree: " + c.to_kill + "\\*.*\r\n")
            << c.name;
}

// While the uninstaller runs, the log is held: nobody else may open it for
// writing, or to rename or delete it, while reading it is allowed. Then it
// goes.
TEST(kill_log, held_until_deleted) {
    in_log_folder here("kill_log_held");
    ASSERT_TRUE(ready_kill_log_name());
    ASSERT_TRUE(write_kill_log("C:\\Tool"));
    const struct {
        const char* what;
        DWORD access;
        bool opens;
    } openers[] = {
        {"reading", GENERIC_READ, true},
        {"writing", GENERIC_WRITE, false},
        {"appending", FILE_APPEND_DATA, false},
        {"deleting or renaming", DELETE, false},
    };
    for (const auto& o : openers) {
        HANDLE other = CreateFileA("KILL.LOG", o.access,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(other != INVALID_HANDLE_VALUE, o.opens) << o.what;
        if (other != INVALID_HANDLE_VALUE)
            CloseHandle(other);
    }
    delete_kill_log();
    EXPECT_FALSE(file_exists("KILL.LOG"));
}

// Whatever bears the name is set aside, never written through: a plain
// leftover goes (read-only or not); a second name of another file leaves that
// file as it was; a leftover held without delete sharing keeps the name, and
// then no log is written.
TEST(kill_log, leftovers_set_aside) {
    enum kind { plain, read_only, hard_link, held };
    const struct {
        const char* what;
        kind leftover;
        bool freed;
    } cases[] = {
        {"plain", plain, true},
        {"read-only", read_only, true},
        {"a second name of another file", hard_link, true},
        {"held without delete sharing", held, false},
    };
    for (const auto& c : cases) {
        in_log_folder here("kill_log_leftover");
        HANDLE holder = INVALID_HANDLE_VALUE;
        if (c.leftover == hard_link) {
            write_file("other.txt", "precious");
            ASSERT_TRUE(CreateHardLinkA("KILL.LOG", "other.txt", nullptr)) << c.what;
        } else {
            write_file("KILL.LOG", "an older log\r\n");
        }
        if (c.leftover == read_only)
            SetFileAttributesA("KILL.LOG", FILE_ATTRIBUTE_READONLY);
        if (c.leftover == held)
            holder = CreateFileA("KILL.LOG", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(ready_kill_log_name(), c.freed) << c.what;
        EXPECT_EQ(write_kill_log("C:\\Tool"), c.freed) << c.what;
        delete_kill_log();
        if (holder != INVALID_HANDLE_VALUE)
            CloseHandle(holder);
        if (c.freed) {
            EXPECT_FALSE(file_exists("KILL.LOG")) << c.what;
            std::string aside = "KILL.LOG." + std::to_string(GetCurrentProcessId()) + ".old";
            EXPECT_EQ(file_exists(aside), c.leftover == hard_link) << c.what;
        } else {
            EXPECT_EQ(read_file("KILL.LOG"), "an older log\r\n") << c.what;
        }
        if (c.leftover == hard_link) {
            EXPECT_EQ(read_file("other.txt"), "precious") << c.what;
        }
    }
}
