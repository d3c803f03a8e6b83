#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Starts `program`, its quoted name followed by `arguments` on its command
// line, in `folder`, inheriting no handles. False when it cannot be started.
bool start_program(const std::string& program, const std::string& arguments,
                   const std::string& folder, PROCESS_INFORMATION& process);

// The same with names in UTF-16, for names outside the code page.
bool start_program(const std::wstring& program, const std::wstring& arguments,
                   const std::wstring& folder, PROCESS_INFORMATION& process);

// A visible top-level window of the process `process_id` (of class
// `class_name` when it is not null), or null.
HWND visible_window_of_process(DWORD process_id, const char* class_name);

// A visible top-level dialog (class "#32770") of any process whose title is
// `title` (`whole_title`) or begins with it, or null.
HWND visible_dialog_titled(const char* title, bool whole_title);

// Looks whether `ready` holds every 20 ms until it does or `limit_ms` have
// passed, counted by the clock, however slowly each look runs; whether it
// holds. Limits are set well above what a fast host needs, so that a host
// several times slower (32-bit Wine through qemu) still passes.
bool wait_until(const std::function<bool()>& ready, DWORD limit_ms);

// Waits for the process to end, for at most `limit_ms` by the clock, and
// does `each_look` (looking for a window, say) every 100 ms meanwhile; its
// end is seen at once. Whether it ended.
bool wait_for_process(HANDLE process, DWORD limit_ms,
                      const std::function<void()>& each_look = nullptr);

// Runs `program` with `arguments` in `folder` to its end (five minutes at
// most); the text of a message box it shows is read into `box_text` and the
// box closed with OK. Its exit status, 99 when it had to be ended.
DWORD run_reading_box(const std::wstring& program, const std::wstring& arguments,
                      const std::wstring& folder, std::string& box_text);

// The exit status of the process, STILL_ACTIVE while it runs; closes the handle.
DWORD exit_status(HANDLE process);

// Runs `program` with `arguments` in `folder` to its end (five minutes at
// most); its exit status, STILL_ACTIVE when it did not end, 0xdead when it
// could not be started.
DWORD run_to_end(const std::wstring& program, const std::wstring& arguments,
                 const std::wstring& folder);

// A running process whose parent is the process `parent_id`, opened for
// waiting and ending, or null. Installers' uninstallers run from a copy of
// themselves that the program started first starts, and that first one ends
// at once.
HANDLE child_of(DWORD parent_id);

// What one run showed of the question a program asked.
struct question_answered {
    DWORD status = STILL_ACTIVE; // the program's exit status; 99 when it had to be ended
    bool asked = false;
    HWND owner = nullptr; // the question's owner when asked
    std::wstring text;    // its text
    bool topmost = false; // in front of every window not topmost itself
};

// The text of a message box, as the platform holds it.
std::wstring message_box_text(HWND box);

// Runs `program` with `arguments` in `folder` to its end (five minutes at
// most), answering the first visible dialog titled exactly `title` by
// pressing `button` (IDYES, IDNO).
question_answered run_answering(const std::wstring& program, const std::wstring& arguments,
                                const std::wstring& folder, const char* title, int button);
