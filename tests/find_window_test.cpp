#include "../window_lookup/find_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

static const char probe_class[] = "find_window_probe";

// Hidden windows of a class of the test's own, destroyed at the end of each test.
class find_window_test : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        WNDCLASSA window_class = {};
        window_class.lpfnWndProc = DefWindowProcA;
        window_class.hInstance = GetModuleHandleA(nullptr);
        window_class.lpszClassName = probe_class;
        RegisterClassA(&window_class);
    }
    void TearDown() override {
        for (HWND window : windows)
            DestroyWindow(window);
    }
    HWND make(const std::string& title, HWND parent = nullptr) {
        HWND window =
            CreateWindowExA(0, probe_class, title.c_str(), parent ? WS_CHILD : WS_OVERLAPPED, 0, 0,
                            10, 10, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!parent)
            windows.push_back(window);
        return window;
    }
    std::vector<HWND> windows;
};

static HWND rejected;
static int all_but_rejected(HWND window) {
    return window != rejected;
}
static int none(HWND) {
    return 0;
}

// Windows created later are enumerated first.
TEST_F(find_window_test, prefix_rules) {
    HWND wizard = make("Setup Wizard 7f3a");
    make("setup wizard 7f3a");
    HWND long_title = make(std::string(600, 'Q'));
    struct {
        const char* name;
        std::string class_prefix, title_prefix;
        HWND expected;
    } cases[] = {
        {"title prefix", probe_class, "Setup Wizard 7f", wizard},
        {"title is case-sensitive", probe_class, "SETUP WIZARD 7f3a", nullptr},
        {"class prefix", "find_window_pr", "Setup Wizard 7f3a", wizard},
        {"class is case-sensitive", "FIND_WINDOW_PROBE", "Setup Wizard 7f3a", nullptr},
        {"class shorter than prefix", "find_window_probe_", "Setup Wizard 7f3a", nullptr},
        {"empty class prefix", "", "Setup Wizard 7f3a", wizard},
        {"511 characters compared", probe_class, std::string(511, 'Q'), long_title},
        {"prefix over 511 characters", probe_class, std::string(512, 'Q'), nullptr},
    };
    for (const auto& c : cases)
        EXPECT_EQ(find_window(nullptr, c.class_prefix.c_str(), c.title_prefix.c_str(), nullptr),
                  c.expected)
            << c.name;
}

static BOOL CALLBACK note_first_twin(HWND window, LPARAM context) {
    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    if (std::string(title).rfind("Twin 51c0", 0) != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(context) = window;
    return FALSE;
}

// Two matches: the one the enumeration reports first.
TEST_F(find_window_test, first_match_in_enumeration_order) {
    make("Twin 51c0 one");
    make("Twin 51c0 two");
    HWND first = nullptr;
    EnumWindows(note_first_twin, reinterpret_cast<LPARAM>(&first));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(find_window(nullptr, probe_class, "Twin 51c0", nullptr), first);
    EXPECT_EQ(find_window(nullptr, "", "Twin 51c0", nullptr), first);
}

// The caller's test sees only prefix matches; a rejection moves on to the next.
TEST_F(find_window_test, acceptance_test) {
    HWND older = make("Pair 9e21");
    HWND newer = make("Pair 9e21");
    rejected = find_window(nullptr, probe_class, "Pair 9e21", nullptr);
    ASSERT_TRUE(rejected == older || rejected == newer);
    HWND other = rejected == older ? newer : older;
    EXPECT_EQ(find_window(nullptr, probe_class, "Pair 9e21", all_but_rejected), other);
    EXPECT_EQ(find_window(nullptr, probe_class, "Pair 9e21", none), nullptr);
}

// With a parent only its child windows are searched, and they are not top-level.
TEST_F(find_window_test, child_windows_of_a_parent) {
    HWND parent = make("Parent 40d2");
    HWND child = make("Child 40d2", parent);
    HWND other_parent = make("Other 40d2");
    EXPECT_EQ(find_window(parent, probe_class, "Child 40d2", nullptr), child);
    EXPECT_EQ(find_window(parent, "", "", nullptr), child);
    EXPECT_EQ(find_window(other_parent, "", "", nullptr), nullptr);
    EXPECT_EQ(find_window(nullptr, probe_class, "Child 40d2", nullptr), nullptr);
}
