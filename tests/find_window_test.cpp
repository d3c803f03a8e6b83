#include "../window_lookup/find_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

static const wchar_t probe_class[] = L"find_window_probe";

// Hidden windows of a class of the test's own, destroyed at the end of each test.
class find_window_test : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        WNDCLASSW window_class = {};
        window_class.lpfnWndProc = DefWindowProcW;
        window_class.hInstance = GetModuleHandleA(nullptr);
        window_class.lpszClassName = probe_class;
        RegisterClassW(&window_class);
    }
    void TearDown() override {
        for (HWND window : windows)
            DestroyWindow(window);
    }
    HWND make(const std::wstring& title, HWND parent = nullptr) {
        HWND window =
            CreateWindowExW(0, probe_class, title.c_str(), parent ? WS_CHILD : WS_OVERLAPPED, 0, 0,
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
    HWND wizard = make(L"Setup Wizard 7f3a");
    make(L"setup wizard 7f3a");
    HWND long_title = make(std::wstring(600, L'Q'));
    // A title the code page cannot hold, beside the one best fit would make of it.
    HWND polish = make(L"\x141ukasz Setup 7f3a");
    HWND best_fit = make(L"Lukasz Setup 7f3a");
    struct {
        const char* name;
        std::wstring class_prefix, title_prefix;
        HWND expected;
    } cases[] = {
        {"title prefix", probe_class, L"Setup Wizard 7f", wizard},
        {"title is case-sensitive", probe_class, L"SETUP WIZARD 7f3a", nullptr},
        {"class prefix", L"find_window_pr", L"Setup Wizard 7f3a", wizard},
        {"class is case-sensitive", L"FIND_WINDOW_PROBE", L"Setup Wizard 7f3a", nullptr},
        {"class shorter than prefix", L"find_window_probe_", L"Setup Wizard 7f3a", nullptr},
        {"empty class prefix", L"", L"Setup Wizard 7f3a", wizard},
        {"511 characters compared", probe_class, std::wstring(511, L'Q'), long_title},
        {"prefix over 511 characters", probe_class, std::wstring(512, L'Q'), nullptr},
        {"title outside the code page", probe_class, L"\x141ukasz Setup", polish},
        {"its best-fit spelling", probe_class, L"Lukasz Setup", best_fit},
    };
    for (const auto& c : cases)
        EXPECT_EQ(find_window(nullptr, c.class_prefix.c_str(), c.title_prefix.c_str(), nullptr),
                  c.expected)
            << c.name;
}

static BOOL CALLBACK note_first_twin(HWND window, LPARAM context) {
    wchar_t title[64] = L"";
    GetWindowTextW(window, title, 64);
    if (std::wstring(title).rfind(L"Twin 51c0", 0) != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(context) = window;
    return FALSE;
}

// Two matches: the one the enumeration reports first.
TEST_F(find_window_test, first_match_in_enumeration_order) {
    make(L"Twin 51c0 one");
    make(L"Twin 51c0 two");
    HWND first = nullptr;
    EnumWindows(note_first_twin, reinterpret_cast<LPARAM>(&first));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(find_window(nullptr, probe_class, L"Twin 51c0", nullptr), first);
    EXPECT_EQ(find_window(nullptr, L"", L"Twin 51c0", nullptr), first);
}

// The caller's test sees only prefix matches; a rejection moves on to the next.
TEST_F(find_window_test, acceptance_test) {
    HWND older = make(L"Pair 9e21");
    HWND newer = make(L"Pair 9e21");
    rejected = find_window(nullptr, probe_class, L"Pair 9e21", nullptr);
    ASSERT_TRUE(rejected == older || rejected == newer);
    HWND other = rejected == older ? newer : older;
    EXPECT_EQ(find_window(nullptr, probe_class, L"Pair 9e21", all_but_rejected), other);
    EXPECT_EQ(find_window(nullptr, probe_class, L"Pair 9e21", none), nullptr);
}

// With a parent only its child windows are searched, and they are not top-level.
TEST_F(find_window_test, child_windows_of_a_parent) {
    HWND parent = make(L"Parent 40d2");
    HWND child = make(L"Child 40d2", parent);
    HWND other_parent = make(L"Other 40d2");
    EXPECT_EQ(find_window(parent, probe_class, L"Child 40d2", nullptr), child);
    EXPECT_EQ(find_window(parent, L"", L"", nullptr), child);
    EXPECT_EQ(find_window(other_parent, L"", L"", nullptr), nullptr);
    EXPECT_EQ(find_window(nullptr, probe_class, L"Child 40d2", nullptr), nullptr);
}
