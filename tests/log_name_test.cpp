#include "../removal/log_name.h"
#include "test_files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

// The tree as the log names it: the code page's bytes when every character
// fits, short names where one does not, nothing where no spelling leads to
// the very folder.
TEST(log_name, code_page_spellings) {
    std::string folder = make_test_folder("log_name");
    std::wstring base = wide(folder);
    const std::wstring outside = L"Tool \x101 \x65e5\x672c";
    CreateDirectoryW((base + L"\\" + outside).c_str(), nullptr);
    CreateDirectoryW((base + L"\\" + outside + L"\\sub \x141").c_str(), nullptr);
    wchar_t short_path[MAX_PATH] = L"";
    GetShortPathNameW((base + L"\\" + outside + L"\\sub \x141").c_str(), short_path, MAX_PATH);
    std::wstring short_form = short_path;
    ASSERT_NE(short_form.find(L'~'), std::wstring::npos) << "short names are on here";
    std::string short_last = code_page(short_form.substr(short_form.rfind(L'\\') + 1));
    GetShortPathNameW((base + L"\\" + outside).c_str(), short_path, MAX_PATH);
    std::wstring short_top = short_path;
    std::string short_first = code_page(short_top.substr(short_top.rfind(L'\\') + 1));

    struct {
        const char* name;
        std::wstring to_kill;
        bool named;
        std::string bytes;
    } cases[] = {
        {"every character fits",
         L"C:\\Programme\\Caf\xe9 \xdc"
         L"ber\\",
         true,
         "C:\\Programme\\Caf\xe9 \xdc"
         "ber\\"},
        {"relative and dotted", L"..\\Tool\\.\\x", true, "..\\Tool\\.\\x"},
        {"outside the code page: short names", base + L"\\" + outside + L"\\sub \x141", true,
         folder + "\\" + short_first + "\\" + short_last},
        {"trailing separator kept", base + L"\\" + outside + L"\\", true,
         folder + "\\" + short_first + "\\"},
        {"not there: no short name", base + L"\\Tool \x141 missing", false, ""},
        {"best fit would make a separator", base + L"\\Tool\xff3c..", false, ""},
    };
    for (const auto& c : cases) {
        char out[2048] = "unchanged";
        EXPECT_EQ(code_page_name(c.to_kill.c_str(), out, sizeof out), c.named) << c.name;
        if (c.named) {
            EXPECT_EQ(std::string(out), c.bytes) << c.name;
        }
    }
    remove_test_folder(folder);
}
