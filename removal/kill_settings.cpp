#include "kill_settings.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

kill_settings_record kill_settings;

static const char settings_section[] = "Strings";
static const char missing_value[] = "n/a";

static void read_setting(const char* settings_path, const char* key, kill_setting& setting) {
    setting.too_long = false;
    setting.whole = setting.text;
    if (settings_path[0] == '\0') {
        std::strcpy(setting.text, missing_value);
        return;
    }
    DWORD length = GetPrivateProfileStringA(settings_section, key, missing_value, setting.text,
                                            sizeof setting.text, settings_path);
    if (length < sizeof setting.text - 1)
        return;

    // A full buffer holds either a value of exactly 259 characters or the start
    // of a longer one. Read again with more room until the whole value fits, so
    // that a value is never used cut short.
    for (DWORD size = 2 * sizeof setting.text;; size *= 2) {
        char* whole = static_cast<char*>(std::malloc(size));
        if (whole == nullptr) {
            // Cannot tell: count it as too long, which refuses the removal.
            setting.too_long = true;
            return;
        }
        length = GetPrivateProfileStringA(settings_section, key, missing_value, whole, size,
                                          settings_path);
        if (length < size - 1) {
            if (length < sizeof setting.text) {
                std::free(whole);
                return;
            }
            setting.text[0] = '\0';
            setting.too_long = true;
            setting.whole = whole;
            return;
        }
        std::free(whole);
    }
}

void read_kill_settings(const char* settings_path, kill_settings_record& settings) {
    read_setting(settings_path, "to_kill", settings.to_kill);
    read_setting(settings_path, "unwise_path", settings.unwise_path);
    read_setting(settings_path, "unwise_title", settings.unwise_title);
    read_setting(settings_path, "title", settings.title);
    read_setting(settings_path, "body", settings.body);
}
