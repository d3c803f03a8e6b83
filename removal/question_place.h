#pragma once

// Where the question can be seen and answered.
#include <windows.h>

// Whether this process's window station is one whose windows a user can see
// (WSF_VISIBLE): not so for a service's session-0 station or a
// non-interactive one, where a question waits for an answer nobody can give.
// False when it cannot be told.
bool question_can_be_seen();

// The window the setting `owner_window` names: its handle in decimal, as an
// installer knows its own window (NSIS $HWNDPARENT, Inno's form), also in
// the negative form a signed 32-bit number gives a handle with its top bit
// set. Only a window of the process that started this one, or of the one
// that started that process, is taken (NSIS and Inno run their uninstaller
// from a copy they start): another program's window is no installer's.
// Null when the value is no such number or names no such window.
HWND named_owner_window(const wchar_t* value);

// The handle `value` spells, in decimal, either form: false when it is no
// such number (or 0).
bool window_handle_from_text(const wchar_t* value, HWND& window);

// The box's style: Yes and No with a question mark; without an owner, in
// front of every other window (topmost) (the installer's own windows are not the
// dialogs an owner is looked for among, and a program the installer's
// service starts is refused the foreground otherwise) and made the
// foreground window.
// `hung_window_near`: a window the question was meant for answers no
// messages; the box then does not take the foreground, which would send
// that window activation messages and wait for it.
UINT question_style(bool owned, bool hung_window_near);
