#pragma once

// What a run achieved, for the installer that started it: remove_tree.exe
// always exits with 0 (callers rely on that), so the result goes into the
// file the optional setting `result_file` names, as one word and CR LF:
//   kept        the folder was kept: the answer Yes, no answer (a question
//               that could not be asked or seen)
//   refused     the folder may not be removed (not one folder, one of the
//               platform's own, redirected for 32-bit programs)
//   removed     the uninstaller removed all of it
//   restart     what is left goes at the next restart
//   incomplete  part of it is left (or the uninstaller could not be run)
// Each further line says why, in the system code page (a character it lacks
// as "?"): what the answer was, the reason for a refusal, what the
// uninstaller left or scheduled. The file is made anew: whatever bore the
// name is set aside, never written through, and the file gets an access
// list of its own (private_file.h). Without the setting nothing is written.
extern const char result_kept[], result_refused[], result_removed[], result_restart[],
    result_incomplete[];

// The result of the uninstaller's run from its exit status (0, 3010, other)
// or from its not having run.
const char* result_of_uninstaller(bool ran, unsigned long exit_status);

// Writes `result` and the lines of `why` ("\n" between them; may be empty)
// into the file `path` ("n/a": none).
void write_run_result(const wchar_t* path, const char* result, const wchar_t* why);
