#pragma once

// The names of the removal log, of the claim a run holds on it and of the
// uninstaller's command line, relative to the uninstaller's folder, spelt
// here alone (UNWISE.EXE knows the claim beside its log by the same suffix).
#define REMOVAL_LOG_NAME "KILL.LOG"
#define REMOVAL_LOG_CLAIM_SUFFIX ".lock"
#define UNINSTALLER_PROGRAM ".\\UNWISE.EXE"

constexpr wchar_t kill_log_path[] = L".\\" REMOVAL_LOG_NAME;
constexpr wchar_t claim_suffix[] = L"" REMOVAL_LOG_CLAIM_SUFFIX;
constexpr wchar_t claim_path[] = L".\\" REMOVAL_LOG_NAME REMOVAL_LOG_CLAIM_SUFFIX;
constexpr wchar_t uninstaller_program[] = L"" UNINSTALLER_PROGRAM;
constexpr wchar_t uninstaller_command[] = L"" UNINSTALLER_PROGRAM " /S /A /R .\\" REMOVAL_LOG_NAME;
