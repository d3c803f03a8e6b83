#pragma once

#include <windows.h>

// A caller's extra test for a candidate window; nonzero accepts it.
typedef int (*window_test)(HWND window);

// What one search looks for, handed to the window enumeration as its context.
struct window_query {
    const wchar_t* class_prefix; // required start of the class name; L"" accepts every class
    const wchar_t* title_prefix; // required start of the title; L"" accepts every title
    HWND found;                  // null until a window is accepted
    window_test accept;          // optional extra test, may be null
};

// First window, in enumeration order, whose class name and title begin with the
// given prefixes (UTF-16 code unit by code unit, case-sensitive) and that
// passes `accept` when one is given. With no parent the top-level windows are
// searched, otherwise the parent's child windows. Null when nothing matches.
HWND find_window(HWND parent, const wchar_t* class_prefix, const wchar_t* title_prefix,
                 window_test accept);
