#include "../removal/kill_settings.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <string>

struct settings_case {
    const char* name;
    std::string file; // settings file contents
    std::string to_kill;
    bool too_long;
};

TEST(kill_settings, values_as_read) {
    std::string folder = make_test_folder("settings");
    std::string path = folder + "\\kill.ini";
    const settings_case cases[] = {
        {"key missing", "[Strings]\nbody=b\n", "n/a", false},
        {"other section", "[Other]\nto_kill=C:\\Tool\n", "n/a", false},
        {"present", "[Strings]\nto_kill=C:\\Tool\n", "C:\\Tool", false},
        {"empty value", "[Strings]\nto_kill=\n", "", false},
        {"blanks around", "[Strings]\nto_kill =  C:\\Tool  \n", "C:\\Tool", false},
        {"259 characters fit", "[Strings]\nto_kill=" + std::string(259, 'x') + "\n",
         std::string(259, 'x'), false},
        {"260 characters do not", "[Strings]\nto_kill=" + std::string(260, 'y') + "\n",
         std::string(260, 'y'), true},
        {"5000 characters", "[Strings]\nto_kill=" + std::string(5000, 'z') + "\n",
         std::string(5000, 'z'), true},
    };
    for (const settings_case& c : cases) {
        write_file(path, c.file);
        kill_settings_record settings;
        read_kill_settings(path.c_str(), settings);
        EXPECT_EQ(settings.to_kill.whole, c.to_kill) << c.name;
        EXPECT_EQ(settings.to_kill.too_long, c.too_long) << c.name;
        // A value that does not fit is never left cut short in the record.
        EXPECT_EQ(std::string(settings.to_kill.text), c.too_long ? "" : c.to_kill) << c.name;
    }
    remove_test_folder(folder);
}

TEST(kill_settings, all_five_keys_and_defaults) {
    std::string folder = make_test_folder("settings_keys");
    std::string path = folder + "\\kill.ini";
    write_file(path, "[Strings]\r\nto_kill=C:\\Tool\r\nunwise_path=C:\\Tool\\un\r\n"
                     "unwise_title=Tool Setup\r\ntitle=Remove\r\nbody=Remove it?\r\n");
    const char* missing_paths[] = {"", "C:\\no such folder\\kill.ini"};
    kill_settings_record settings;
    read_kill_settings(path.c_str(), settings);
    EXPECT_STREQ(settings.to_kill.whole, "C:\\Tool");
    EXPECT_STREQ(settings.unwise_path.whole, "C:\\Tool\\un");
    EXPECT_STREQ(settings.unwise_title.whole, "Tool Setup");
    EXPECT_STREQ(settings.title.whole, "Remove");
    EXPECT_STREQ(settings.body.whole, "Remove it?");
    for (const char* missing : missing_paths) {
        read_kill_settings(missing, settings);
        for (const kill_setting* s : {&settings.to_kill, &settings.unwise_path,
                                      &settings.unwise_title, &settings.title, &settings.body})
            EXPECT_STREQ(s->whole, "n/a") << "[" << missing << "]";
    }
    remove_test_folder(folder);
}
