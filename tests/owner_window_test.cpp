// The installer's window named by its handle, in decimal: NSIS's $HWNDPARENT
// and Inno's IntToStr(Handle) are signed 32-bit numbers, so a handle with
// its top bit set arrives negative. Both forms name the same window; the
// handle is sign-extended where pointers are wider, as the platform gives
// it to 64-bit programs.
#include "../removal/question_place.h"

#include <gtest/gtest.h>
#include <windows.h>

TEST(owner_window, both_forms_of_a_handle) {
    const struct {
        const wchar_t* text;
        bool number;
        LONG handle; // its 32 bits, sign-extended
    } cases[] = {
        {L"1311024", true, 1311024},
        {L"2147483647", true, 0x7FFFFFFF},
        {L"2147483648", true, static_cast<LONG>(0x80000000u)},
        {L"-2147483648", true, static_cast<LONG>(0x80000000u)},
        {L"4294967295", true, -1},
        {L"-1", true, -1},
        {L"-1311024", true, -1311024},
        {L"4294967296", false, 0},
        {L"-2147483649", false, 0},
        {L"0", false, 0},
        {L"-0", false, 0},
        {L"-", false, 0},
        {L"", false, 0},
        {L"12x", false, 0},
        {L"+12", false, 0},
        {L"0x1A", false, 0},
    };
    for (const auto& c : cases) {
        HWND window = nullptr;
        EXPECT_EQ(window_handle_from_text(c.text, window), c.number) << c.text;
        if (c.number) {
            EXPECT_EQ(reinterpret_cast<LONG_PTR>(window), static_cast<LONG_PTR>(c.handle))
                << c.text;
        }
    }
}
