#include "../removal/removal_target.h"

#include <gtest/gtest.h>

TEST(removal_target, volume_roots_and_blanks_are_refused) {
    const char* roots[] = {
        "",
        " ",
        "  \t", // empty or blank
        "C:",
        "C:\\",
        "c:/",
        "C:\\\\",
        "C:\\.",
        "C:\\Tool\\..", // a drive
        "\\",
        "/",
        "\\\\",
        "C:\\ ",
        "C:\\...", // a root, or names Windows trims away
        "\\\\server\\share",
        "\\\\server\\share\\",
        "//server/share/",
        "\\\\server",
        "\\\\?\\C:\\",
        "\\\\.\\D:",
        "\\\\?\\UNC\\server\\share\\", // device forms
        ".",
        ".\\",
        "..",
        "Tool\\..\\..", // the current directory or above
        "C:\\Tool\\sub\\..\\..\\",
    };
    for (const char* path : roots)
        EXPECT_TRUE(names_volume_root(path)) << "[" << path << "]";
}

TEST(removal_target, single_folders_are_kept) {
    const char* folders[] = {
        "C:\\Program Files\\Tool",
        "C:\\Program Files\\Tool\\",
        "C:/Tool",
        "C:Tool",
        "\\Tool",
        "\\\\server\\share\\Tool",
        "\\\\?\\C:\\Tool",
        "\\\\?\\UNC\\server\\share\\Tool",
        "Tool",
        "..\\Tool",
        "C:\\Tool\\sub\\..",
        "C:\\.Tool",
        "C:\\Tool.",
    };
    for (const char* path : folders)
        EXPECT_FALSE(names_volume_root(path)) << "[" << path << "]";
}
