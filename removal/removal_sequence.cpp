#include "removal_sequence.h"

#include "kill_log.h"
#include "kill_settings.h"
#include "log_claim.h"
#include "log_files.h"
#include "log_name.h"
#include "question_place.h"
#include "question_text.h"
#include "run_and_wait.h"
#include "run_result.h"
#include "settings_path.h"
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
// be asked (the box failed) or seen (a station no user sees), since nobody
// answered.
static bool removal_refused() {
    if (!question_can_be_seen())
        return true;
    // The window the installer names owns the question; without one, the
    // dialog the title is looked for by. A title prefix too long to keep is
    // not looked for: the question then has no owner, as when no dialog
    // matches or the one found does not answer.
    HWND owner = nullptr;
    if (!kill_settings.owner_window.too_long)
        owner = named_owner_window(kill_settings.owner_window.text);
    if (owner == nullptr && !kill_settings.unwise_title.too_long)
        owner = find_window(nullptr, L"#32770", kill_settings.unwise_title.whole, nullptr);
    bool hung = owner != nullptr && !answers(owner);
    if (hung)
        owner = nullptr;
    wchar_t* text = question_text(kill_settings.body.whole);
    wchar_t* caption = question_text(kill_settings.title.whole);
    int answer = text != nullptr && caption != nullptr
                     ? message_box(owner, text, caption, question_style(owner != nullptr, hung))
                     : 0;
    std::free(text);
    std::free(caption);
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
static const char* hand_over(const char* tree) {
    // The uninstaller gets only a log this run wrote whole.
    if (!ready_kill_log_name() || !write_kill_log(tree))
        return result_incomplete;
    unsigned long status = 0;
    bool ran = run_and_wait(uninstaller_command, status);
    delete_kill_log();
    return result_of_uninstaller(ran, status);
}

// The run, up to the result it reports.
static const char* run(const wchar_t* command_tail) {
    wchar_t* settings_path = settings_path_from_tail(command_tail);
    read_kill_settings(settings_path != nullptr ? settings_path : L"", kill_settings);
    std::free(settings_path);

    bool named = removal_target_named(kill_settings.to_kill);
    bool refused = false;
    if (std::wcscmp(kill_settings.unwise_title.whole, L"/rollback") != 0)
        refused = removal_refused();
    if (refused)
        return result_kept;
    if (!named)
        return result_refused;

    // A directory name too long to keep counts as one that cannot be entered:
    // the run goes on where it was started.
    if (!kill_settings.unwise_path.too_long)
        _wchdir(kill_settings.unwise_path.text);
    // Judged from where the uninstaller runs, which resolves relative names.
    if (removal_target_refusal(kill_settings.to_kill.text) != nullptr)
        return result_refused;
    // The log is read in the code page: the tree must be named there as it is.
    static char tree[2048];
    if (!code_page_name(kill_settings.to_kill.text, tree, sizeof tree))
        return result_refused;
    if (!claim_kill_log())
        return result_incomplete;
    const char* result = hand_over(tree);
    release_kill_log();
    return result;
}

int run_removal(const wchar_t* command_tail) {
    const char* result = run(command_tail);
    if (!kill_settings.result_file.too_long)
        write_run_result(kill_settings.result_file.text, result);
    return 0;
}
