#include "../removal/settings_path.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

static std::wstring path_for(const std::wstring& tail) {
    wchar_t* path = settings_path_from_tail(tail.c_str());
    std::wstring copy = path != nullptr ? path : L"<null>";
    std::free(path);
    return copy;
}

TEST(settings_path, command_tails) {
    struct {
        const wchar_t* tail;
        const wchar_t* path;
    } cases[] = {
        // quoted path with a blank: the text between the quotes
        {L"\"C:\\my setup\\kill.ini\"", L"C:\\my setup\\kill.ini"},
        // unquoted path with a blank: the whole tail, blank included
        {L"C:\\my setup\\kill.ini", L"C:\\my setup\\kill.ini"},
        // unquoted with a trailing blank: nothing is trimmed
        {L"kill.ini ", L"kill.ini "},
        // text after the closing quote is not part of the path
        {L"\"C:\\setup\\kill.ini\" ", L"C:\\setup\\kill.ini"},
        {L"\"C:\\setup\\kill.ini\" /extra", L"C:\\setup\\kill.ini"},
        // no closing quote: the rest of the tail
        {L"\"C:\\setup\\kill.ini", L"C:\\setup\\kill.ini"},
        // a lone quote and an empty pair name no file
        {L"\"", L""},
        {L"\"\"", L""},
        {L"", L""},
        // names outside the code page stay as they are
        {L"\"C:\\\x141ukasz\\kill \x65e5.ini\"", L"C:\\\x141ukasz\\kill \x65e5.ini"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(path_for(c.tail), c.path) << "case " << (&c - cases);
}

// The longest command line Windows allows leaves no fixed buffer to overflow.
TEST(settings_path, longest_tail_is_kept_whole) {
    std::wstring name(32760, L'a');
    EXPECT_EQ(path_for(name), name);
    EXPECT_EQ(path_for(L"\"" + name + L"\""), name);
}

// The tail is what the C runtime leaves of the command line for WinMain:
// past the program's name and the blanks and control characters after it.
TEST(settings_path, tail_of_the_command_line) {
    struct {
        const wchar_t* line;
        const wchar_t* tail;
    } cases[] = {
        {L"remove_tree.exe \"C:\\a b\\k.ini\"", L"\"C:\\a b\\k.ini\""},
        {L"\"C:\\Program Files\\remove_tree.exe\" k.ini", L"k.ini"},
        {L"\"C:\\Program Files\\remove_tree.exe\"k.ini", L"k.ini"},
        {L"remove_tree.exe \t  k.ini ", L"k.ini "},
        {L"remove_tree.exe", L""},
        {L"\"C:\\no closing quote", L""},
        {L"\"C:\\\x141\\remove_tree.exe\" C:\\\x141\\k.ini", L"C:\\\x141\\k.ini"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(command_tail(c.line), c.tail) << "case " << (&c - cases);
}
