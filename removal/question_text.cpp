#include "question_text.h"

#include <cstdlib>
#include <cwchar>

static const wchar_t line_separator = 0x2028, paragraph_separator = 0x2029;

wchar_t* question_text(const wchar_t* value) {
    // At most four characters for each one read.
    std::size_t length = std::wcslen(value);
    wchar_t* text = static_cast<wchar_t*>(std::malloc((4 * length + 1) * sizeof(wchar_t)));
    if (text == nullptr)
        return nullptr;
    wchar_t* at = text;
    for (const wchar_t* c = value; *c != L'\0'; ++c) {
        int breaks = *c == line_separator ? 1 : *c == paragraph_separator ? 2 : 0;
        if (breaks == 0)
            *at++ = *c;
        for (int i = 0; i < breaks; ++i) {
            *at++ = L'\r';
            *at++ = L'\n';
        }
    }
    *at = L'\0';
    return text;
}
