#include "removal_sequence.h"

#include "kill_log.h"
#include "kill_settings.h"
#include "removal_target.h"
#include "run_and_wait.h"
#include "../window_lookup/find_window.h"
#include "settings_path.h"

#include <windows.h>
#include <direct.h>

#include <cstdlib>
#include <cstring>

static const char kill_log_path[] = ".\\KILL.LOG";

// Asks the user over the installer's dialog; the answer Yes refuses the removal.
static bool removal_refused() {
    HWND owner = nullptr;
    // A title prefix too long to keep is not looked for: the question then
    // has no owner, as when no dialog matches.
    if (!kill_settings.unwise_title.too_long)
        owner = find_window(nullptr, "#32770", kill_settings.unwise_title.whole, nullptr);
    int answer = MessageBoxA(owner, kill_settings.body.whole, kill_settings.title.whole,
                             MB_YESNO | MB_ICONQUESTION);
    return answer == IDYES;
}

// The tree may go to the uninstaller only when it names one folder whole:
// not "n/a", not cut short, and not a volume root, blank or the current
// directory, which the log would turn into "every file on the drive".
static bool removal_target_usable(const kill_setting& to_kill) {
    return !to_kill.too_long && std::strcmp(to_kill.text, "n/a") != 0 &&
           !names_volume_root(to_kill.text);
}

// A read-only log left from an earlier run could not be opened for writing.
static void make_leftover_log_writable() {
    DWORD attributes = GetFileAttributesA(kill_log_path);
    if (attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesA(kill_log_path,
                           attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

int run_removal(const char* command_tail) {
    char* settings_path = settings_path_from_tail(command_tail);
    read_kill_settings(settings_path != nullptr ? settings_path : "", kill_settings);
    std::free(settings_path);

    bool refused = false;
    if (std::strcmp(kill_settings.unwise_title.whole, "/rollback") != 0)
        refused = removal_refused();
    if (refused || !removal_target_usable(kill_settings.to_kill))
        return 0;

    // A directory name too long to keep counts as one that cannot be entered:
    // the run goes on where it was started.
    if (!kill_settings.unwise_path.too_long)
        _chdir(kill_settings.unwise_path.text);
    make_leftover_log_writable();
    write_kill_log(kill_settings.to_kill.text);
    run_and_wait(".\\UNWISE.EXE /S /A /R .\\KILL.LOG");
    DeleteFileA(kill_log_path);
    return 0;
}
