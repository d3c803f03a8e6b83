#include "../removal/kill_settings.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <string>

struct settings_case {
    const char* name;
    std::string file; // settings file contents
    std::wstring to_kill;
    bool too_long;
};

TEST(kill_settings, values_as_read) {
    std::string folder = make_test_folder("settings");
    std::wstring path = wide(folder + "\\kill.ini");
    const settings_case cases[] = {
        {"key missing", "[Strings]\nbody=b\n", L"n/a", false},
        {"other section", "[Other]\nto_kill=C:\\Tool\n", L"n/a", false},
        {"present", "[Strings]\nto_kill=C:\\Tool\n", L"C:\\Tool", false},
        {"empty value", "[Strings]\nto_kill=\n", L"", false},
        {"blanks around", "[Strings]\nto_kill =  C:\\Tool  \n", L"C:\\Tool", false},
        {"259 characters fit", "[Strings]\nto_kill=" + std::string(259, 'x') + "\n",
         std::wstring(259, L'x'), false},
        {"260 characters do not", "[Strings]\nto_kill=" + std::string(260, 'y') + "\n",
         std::wstring(260, L'y'), true},
        {"5000 characters", "[Strings]\nto_kill=" + std::string(5000, 'z') + "\n",
         std::wstring(5000, L'z'), true},
        // An 8-bit file is read in the code page; a UTF-16 one gives every
        // character as it stands, none replaced by a look-alike.
        {"code page bytes",
         "[Strings]\r\nto_kill=C:\\Caf\xe9 \xdc"
         "ber\r\n",
         L"C:\\Caf\xe9 \xdc"
         L"ber",
         false},
        {"UTF-16 outside the code page",
         utf16_file(L"[Strings]\r\nto_kill=S:\\Tool \x101 \x141 \x65e5\x672c \xd83d\xde00\r\n"),
         L"S:\\Tool \x101 \x141 \x65e5\x672c \xd83d\xde00", false},
        {"UTF-16 fullwidth reverse solidus",
         utf16_file(L"[Strings]\r\nto_kill=S:\\Tool\xff3c..\r\n"), L"S:\\Tool\xff3c..", false},
    };
    for (const settings_case& c : cases) {
        write_file(folder + "\\kill.ini", c.file);
        kill_settings_record settings;
        read_kill_settings(path.c_str(), settings);
        EXPECT_EQ(settings.to_kill.whole, c.to_kill) << c.name;
        EXPECT_EQ(settings.to_kill.too_long, c.too_long) << c.name;
        // A value that does not fit is never left cut short in the record.
        EXPECT_EQ(std::wstring(settings.to_kill.text), c.too_long ? L"" : c.to_kill) << c.name;
    }
    remove_test_folder(folder);
}

TEST(kill_settings, all_five_keys_and_defaults) {
    std::string folder = make_test_folder("settings_keys");
    std::wstring path = wide(folder + "\\kill.ini");
    write_file(folder + "\\kill.ini",
               "[Strings]\r\nto_kill=C:\\Tool\r\nunwise_path=C:\\Tool\\un\r\n"
               "unwise_title=Tool Setup\r\ntitle=Remove\r\nbody=Remove it?\r\n");
    const wchar_t* missing_paths[] = {L"", L"C:\\no such folder\\kill.ini"};
    kill_settings_record settings;
    read_kill_settings(path.c_str(), settings);
    EXPECT_STREQ(settings.to_kill.whole, L"C:\\Tool");
    EXPECT_STREQ(settings.unwise_path.whole, L"C:\\Tool\\un");
    EXPECT_STREQ(settings.unwise_title.whole, L"Tool Setup");
    EXPECT_STREQ(settings.title.whole, L"Remove");
    EXPECT_STREQ(settings.body.whole, L"Remove it?");
    for (const wchar_t* missing : missing_paths) {
        read_kill_settings(missing, settings);
        for (const kill_setting* s : {&settings.to_kill, &settings.unwise_path,
                                      &settings.unwise_title, &settings.title, &settings.body})
            EXPECT_STREQ(s->whole, L"n/a") << "[" << code_page(missing) << "]";
    }
    remove_test_folder(folder);
}
