#include "../removal/settings_path.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

static std::string path_for(const std::string& tail) {
    char* path = settings_path_from_tail(tail.c_str());
    std::string copy = path != nullptr ? path : "<null>";
    std::free(path);
    return copy;
}

TEST(settings_path, command_tails) {
    struct {
        const char* tail;
        const char* path;
    } cases[] = {
        // quoted path with a blank: the text between the quotes
        {"\"C:\\my setup\\kill.ini\"", "C:\\my setup\\kill.ini"},
        // unquoted path with a blank: the whole tail, blank included
        {"C:\\my setup\\kill.ini", "C:\\my setup\\kill.ini"},
        // unquoted with a trailing blank: nothing is trimmed
        {"kill.ini ", "kill.ini "},
        // text after the closing quote is not part of the path
        {"\"C:\\setup\\kill.ini\" ", "C:\\setup\\kill.ini"},
        {"\"C:\\setup\\kill.ini\" /extra", "C:\\setup\\kill.ini"},
        // no closing quote: the rest of the tail
        {"\"C:\\setup\\kill.ini", "C:\\setup\\kill.ini"},
        // a lone quote and an empty pair name no file
        {"\"", ""},
        {"\"\"", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(path_for(c.tail), c.path) << "tail [" << c.tail << "]";
}

// The longest command line Windows allows leaves no fixed buffer to overflow.
TEST(settings_path, longest_tail_is_kept_whole) {
    std::string name(32760, 'a');
    EXPECT_EQ(path_for(name), name);
    EXPECT_EQ(path_for("\"" + name + "\""), name);
}
