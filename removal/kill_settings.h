#pragma once

// Room for one settings value: 259 characters and the terminating NUL.
constexpr unsigned kill_setting_size = 260;

struct kill_setting {
    wchar_t text[kill_setting_size]; // the value as read, when it fits
    bool too_long;                   // the value did not fit in `text`
    const wchar_t* whole;            // the whole value: `text`, or a larger copy when too long
};

// The values of section "Strings" of the settings file, each "n/a" when
// missing. Read once at the start of the run, then only read. Values are read
// in UTF-16: a settings file in UTF-16 (with its byte-order mark) gives every
// name exactly; an 8-bit one is read in the system code page.
struct kill_settings_record {
    kill_setting to_kill;      // directory tree to remove
    kill_setting unwise_path;  // directory holding UNWISE.EXE
    kill_setting unwise_title; // start of the title of the dialog that owns the question
    kill_setting title;        // caption of the question
    kill_setting body;         // text of the question
    kill_setting result_file;  // where the run's result goes (run_result.h); optional
    kill_setting owner_window; // the installer's window, in decimal, to own the question; optional
};

extern kill_settings_record kill_settings;

// Fills `settings` from the settings file at `settings_path`, in the order of the
// record. An empty path names no file: every value is then "n/a".
void read_kill_settings(const wchar_t* settings_path, kill_settings_record& settings);
