#pragma once

// Runs that share an uninstaller folder take turns with its KILL.LOG: a run
// claims the log of the current directory before it writes it and keeps the
// claim until its log is deleted, so no run writes over, hands over or
// deletes another run's log. The claim is a named mutex keyed by the
// folder's identity (volume serial and file index), whatever name reaches
// it; the log file itself is never held, so the uninstaller reads it freely.

// Waits until no other run holds the claim (as long as that run's
// uninstaller runs), then holds it. False when the claim cannot be made; then
// no log may be written.
bool claim_kill_log();

// Gives the claim up once this run's log is gone.
void release_kill_log();
