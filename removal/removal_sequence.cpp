#include "removal_sequence.h"

#include "kill_log.h"
#include "kill_settings.h"
#include "log_claim.h"
#include "log_files.h"
#include "log_name.h"
#include "run_and_wait.h"
#include "settings_path.h"
#include "../startup/safe_start.h"
#include "../startup/system_functions.h"
#include "../target_check/target_check.h"
#include "../window_lookup/find_window.h"

#include <windows.h>
#include <direct.h>

#include <cstdlib>
#include <cwchar>

// Whether `window` answers within half a second: a message box sends its
// owner messages before it shows anything, and an installer that waits for
// this tool on its dialog's own thread answers none.
static bool answers(HWND window) {
    DWORD_PTR result = 0;
    return send_message_timeout(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 500, &result) != 0;
}

// Asks the user over the installer's dialog. Only the answer No lets the
// removal go ahead: Yes refuses it, and so does a question that could not
// be asked (the box failed), since nobody answered.
static bool removal_refused() {
    HWND owner = nullptr;
    // A title prefix too long to keep is not looked for: the question then
    // has no owner, as when no dialog matches or the one found does not answer.
    if (!kill_settings.unwise_title.too_long)
        owner = find_window(nullptr, L"#32770", kill_settings.unwise_title.whole, nullptr);
    if (owner != nullptr && !answers(owner))
        owner = nullptr;
    load_lazily_loaded_dlls();
    int answer = message_box(owner, kill_settings.body.whole, kill_settings.title.whole,
                             MB_YESNO | MB_ICONQUESTION);
    return answer != IDNO;
}

// The tree may go to the uninstaller only when it names one folder whole:
// not "n/a", not cut short, and not a volume root, blank, the current
// directory, a device or a damaged name, which the log would turn into
// "every file on the drive" or into other folders than the one meant.
static bool removal_target_named(const kill_setting& to_kill) {
    return !to_kill.too_long && std::wcscmp(to_kill.text, L"n/a") != 0 &&
           !names_volume_root(to_kill.text) && !holds_forbidden_character(to_kill.text);
}

// The log and the uninstaller's run, once this run holds the folder's log.
static void hand_over(const char* tree) {
    // The uninstaller gets only a log this run wrote whole.
    if (!ready_kill_log_name() || !write_kill_log(tree))
        return;
    run_and_wait(uninstaller_command);
    delete_kill_log();
}

int run_removal(const wchar_t* command_tail) {
    wchar_t* settings_path = settings_path_from_tail(command_tail);
    read_kill_settings(settings_path != nullptr ? settings_path : L"", kill_settings);
    std::free(settings_path);

    bool refused = false;
    if (std::wcscmp(kill_settings.unwise_title.whole, L"/rollback") != 0)
        refused = removal_refused();
    if (refused || !removal_target_named(kill_settings.to_kill))
        return 0;

    // A directory name too long to keep counts as one that cannot be entered:
    // the run goes on where it was started.
    if (!kill_settings.unwise_path.too_long)
        _wchdir(kill_settings.unwise_path.text);
    // Judged from where the uninstaller runs, which resolves relative names.
    if (removal_target_refusal(kill_settings.to_kill.text) != nullptr)
        return 0;
    // The log is read in the code page: the tree must be named there as it is.
    static char tree[2048];
    if (!code_page_name(kill_settings.to_kill.text, tree, sizeof tree))
        return 0;
    if (!claim_kill_log())
        return 0;
    hand_over(tree);
    release_kill_log();
    return 0;
}
