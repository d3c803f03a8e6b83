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
#include "../access_control/program_trust.h"
#include "../access_control/run_account.h"
#include "../startup/system_functions.h"
#include "../target_check/target_check.h"
#include "../window_lookup/find_window.h"

#include <windows.h>
#include <direct.h>

#include <cstdlib>
#include <cwchar>

// What the run achieved, and why, for the result file.
struct run_outcome {
    const char* result;
    const wchar_t* why; // a line or more, or empty
};

// Room for a reason built from a path, and for what the uninstaller reports.
static wchar_t explanation[32768 + 256];

static const wchar_t* explained(const wchar_t* before, const wchar_t* after) {
    std::wcscpy(explanation, before);
    std::wcsncat(explanation, after, 32768);
    return explanation;
}

// Whether `window` answers within half a second: a message box sends its
// owner messages before it shows anything, and an installer that waits for
// this tool on its dialog's own thread answers none.
static bool answers(HWND window) {
    DWORD_PTR result = 0;
    return send_message_timeout(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 500, &result) != 0;
}

// Asks the user over the installer's dialog. Only the answer No lets the
// removal go ahead (null); Yes keeps the folder, and so does a question that
// could not be asked (the box failed) or seen (a station no user sees),
// since nobody answered: then why it is kept.
static const wchar_t* reason_to_keep() {
    if (!question_can_be_seen())
        return L"nothing asked: no user can see this program's windows";
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
    if (answer == IDNO)
        return nullptr;
    return answer == IDYES ? L"the answer was Yes" : L"the question could not be shown";
}

// Why the tree may not go to the uninstaller as named: "n/a", cut short, a
// volume root, blank, the current directory, a device or a damaged name,
// which the log would turn into "every file on the drive" or into other
// folders than the one meant. Null when it names one folder whole.
static const wchar_t* target_naming_refusal(const kill_setting& to_kill) {
    if (to_kill.too_long)
        return L"to_kill is longer than 259 characters";
    if (std::wcscmp(to_kill.text, L"n/a") == 0)
        return L"to_kill names no folder";
    if (names_volume_root(to_kill.text))
        return L"to_kill names no single folder";
    if (holds_forbidden_character(to_kill.text))
        return L"to_kill holds a character no name may hold";
    return nullptr;
}

// The log and the uninstaller's run, once this run holds the folder's log.
static run_outcome hand_over(const char* tree) {
    // The uninstaller gets only a log this run made and wrote whole.
    if (!ready_kill_log_name())
        return {result_incomplete, L"a KILL.LOG there cannot be set aside"};
    if (!write_kill_log(tree))
        return {result_incomplete, L"the removal log cannot be written"};
    unsigned long status = 0;
    static wchar_t report[4096];
    bool ran = run_and_wait(uninstaller_command, status, report, sizeof report / sizeof report[0]);
    delete_kill_log();
    const char* result = result_of_uninstaller(ran, status);
    if (!ran)
        return {result, L"UNWISE.EXE could not be started"};
    if (result == result_removed)
        return {result, L""};
    if (report[0] != L'\0')
        return {result, explained(L"", report)};
    static wchar_t ended[64];
    std::wcscpy(ended, L"UNWISE.EXE ended with ");
    wchar_t digits[16];
    std::wcscat(ended, _ultow(status, digits, 10));
    return {result, ended};
}

// Starts nothing an elevated run cannot trust: the uninstaller must be one
// that nobody but the system and this run's own account could have
// written or swapped. The uninstaller is held meanwhile.
static run_outcome hand_over_trusted(const char* tree) {
    HANDLE held = INVALID_HANDLE_VALUE;
    if (runs_with_admin_rights()) {
        const wchar_t* why = program_start_refusal(uninstaller_program, held);
        if (why != nullptr)
            return {result_refused, explained(L"UNWISE.EXE is not started: ", why)};
    }
    if (!claim_kill_log())
        return {result_incomplete, L"another run keeps the uninstaller's folder"};
    run_outcome outcome = hand_over(tree);
    release_kill_log();
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);
    return outcome;
}

// The run, up to the result it reports.
static run_outcome run(const wchar_t* command_tail) {
    wchar_t* settings_path = settings_path_from_tail(command_tail);
    read_kill_settings(settings_path != nullptr ? settings_path : L"", kill_settings);
    std::free(settings_path);

    const wchar_t* not_named = target_naming_refusal(kill_settings.to_kill);
    if (std::wcscmp(kill_settings.unwise_title.whole, L"/rollback") != 0) {
        const wchar_t* kept = reason_to_keep();
        if (kept != nullptr)
            return {result_kept, kept};
    }
    if (not_named != nullptr)
        return {result_refused, not_named};

    // The log is written, and the uninstaller started, only in the folder
    // named: nowhere else, least of all where the run was started.
    if (kill_settings.unwise_path.too_long)
        return {result_refused, L"unwise_path is longer than 259 characters"};
    if (_wchdir(kill_settings.unwise_path.text) != 0)
        return {result_refused,
                explained(L"unwise_path cannot be entered: ", kill_settings.unwise_path.text)};
    // Judged from where the uninstaller runs, which resolves relative names.
    if (const wchar_t* why = removal_target_refusal(kill_settings.to_kill.text))
        return {result_refused, explained(L"to_kill ", why)};
    // The log is read in the code page: the tree must be named there as it is.
    static char tree[2048];
    if (!code_page_name(kill_settings.to_kill.text, tree, sizeof tree))
        return {result_refused, L"to_kill cannot be named in the system code page"};
    return hand_over_trusted(tree);
}

int run_removal(const wchar_t* command_tail) {
    run_outcome outcome = run(command_tail);
    if (!kill_settings.result_file.too_long)
        write_run_result(kill_settings.result_file.text, outcome.result, outcome.why);
    return 0;
}
