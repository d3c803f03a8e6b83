#include "../removal/kill_log.h"
#include "test_files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

static const std::string log_head = "***  Installation Started  ***\r\nTitle: \r\nSource: \r\n";

// Each case runs write_kill_log in its own folder, over an optional leftover.
static std::string log_written(const std::string& to_kill, const std::string& leftover) {
    std::string folder = make_test_folder("kill_log");
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA(folder.c_str());
    if (!leftover.empty())
        write_file("KILL.LOG", leftover);
    bool whole = write_kill_log(to_kill.c_str());
    std::string bytes = read_file("KILL.LOG");
    EXPECT_TRUE(whole) << "written whole";
    SetCurrentDirectoryA(previous);
    remove_test_folder(folder);
    return bytes;
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
        {"leftover is truncated", "C:\\Tool", std::string(1000, 'L') + "\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(log_written(c.to_kill, c.leftover),
                  log_head + "File Tree: " + c.to_kill + "\\*.*\r\n")
            << c.name;
}

// A log held open without sharing cannot be opened: it stays as it was.
TEST(kill_log, locked_log_is_left_alone) {
    std::string folder = make_test_folder("kill_log_locked");
    std::string path = folder + "\\KILL.LOG";
    write_file(path, "held");
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA(folder.c_str());
    EXPECT_FALSE(write_kill_log("C:\\Tool"));
    SetCurrentDirectoryA(previous);
    CloseHandle(held);
    EXPECT_EQ(read_file(path), "held");
    remove_test_folder(folder);
}
