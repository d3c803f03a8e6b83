#pragma once

// The whole run for one command tail: read the settings, ask the question
// unless told not to, and when the removal goes ahead hand the tree to
// UNWISE.EXE through .\KILL.LOG and wait for it. Returns the exit status, 0.
int run_removal(const wchar_t* command_tail);
