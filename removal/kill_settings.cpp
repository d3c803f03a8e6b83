#include "kill_settings.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>

kill_settings_record kill_settings;

static const wchar_t settings_section[] = L"Strings";
static const wchar_t missing_value[] = L"n/a";

static void read_setting(const wchar_t* settings_path, const wchar_t* key, kill_setting& setting) {
    setting.too_long = false;
    setting.whole = setting.text;
    if (settings_path[0] == L'\0') {
        std::wcscpy(setting.text, missing_value);
        return;
    }
    DWORD length = GetPrivateProfileStringW(settings_section, key, missing_value, setting.text,
                                            kill_setting_size, settings_path);
    if (length < kill_setting_size - 1)
        return;

    // A full buffer holds either a value of exactly 259 characters or the start
    // of a longer one. Read again with more room until the whole value fits, so
    // that a value is never used cut short.
    for (DWORD size = 2 * kill_setting_size;; size *= 2) {
        wchar_t* whole = static_cast<wchar_t*>(std::malloc(size * sizeof(wchar_t)));
        if (whole == nullptr) {
            // Cannot tell: count it as too long, which refuses the removal.
            setting.too_long = true;
            return;
        }
        length = GetPrivateProfileStringW(settings_section, key, missing_value, whole, size,
                                          settings_path);
        if (length < size - 1) {
            if (length < kill_setting_size) {
                std::free(whole);
                return;
            }
            setting.text[0] = L'\0';
            setting.too_long = true;
            setting.whole = whole;
            return;
        }
        std::free(whole);
    }
}

void read_kill_settings(const wchar_t* settings_path, kill_settings_record& settings) {
    read_setting(settings_path, L"to_kill", settings.to_kill);
    read_setting(settings_path, L"unwise_path", settings.unwise_path);
    read_setting(settings_path, L"unwise_title", settings.unwise_title);
    read_setting(settings_path, L"title", settings.title);
    read_setting(settings_path, L"body", settings.body);
    read_setting(settings_path, L"result_file", settings.result_file);
    read_setting(settings_path, L"owner_window", settings.owner_window);
}
