#pragma once

// Talking to the user and to the log through Windows Installer itself, the
// way a package's own messages go: it shows a question where its user
// interface allows modal boxes, owned by its own window, and answers for
// itself where it does not; log lines go to its log (msiexec /l*v).
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

// Asks `text` with Yes and No and the question icon: IDYES or IDNO, or what
// Windows Installer answers where it shows no box (0 without a user
// interface for it, -1 on an error), which is no answer.
int ask_through_installer(MSIHANDLE install, const wchar_t* text);

// Writes the line "remove_tree: <text>" into the installer's log.
void log_through_installer(MSIHANDLE install, const wchar_t* text);
