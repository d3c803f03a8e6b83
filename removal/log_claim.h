#pragma once

// Runs that share an uninstaller folder take turns with its KILL.LOG: a run
// claims the log of the current directory before it writes it and keeps the
// claim until its log is deleted, so no run writes over, hands over or
// deletes another run's log. The claim is the file .\KILL.LOG.lock, created
// with an access list of LocalSystem, Administrators and the run's own
// account alone, held with no sharing, and renamed aside and deleted when
// the run gives it up; one a run could not give up (a power cut) is taken
// over by the next. So only a program that may create files in the folder
// can ever hold it: not a stranger who may only read the folder, as anyone
// could hold a named mutex, nor one that keeps the file open for its
// attributes. The log file itself is never held, so the uninstaller reads
// it freely; the project's UNWISE.EXE knows the claim beside its log and
// leaves it alone.

// Waits until no other run holds the claim (as long as that run's
// uninstaller runs, up to five minutes), then holds it. False when the claim
// cannot be had; then no log may be written.
bool claim_kill_log();

// Gives the claim up once this run's log is gone.
void release_kill_log();
