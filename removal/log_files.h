#pragma once

// The names of the removal log, of the claim a run holds on it and of the
// uninstaller's command line, relative to the uninstaller's folder, spelt
// here alone (UNWISE.EXE knows the claim beside its log by the same suffix).
#define REMOVAL_LOG_NAME "KILL.LOG"
#define REMOVAL_LOG_CLAIM_SUFFIX ".lock"

constexpr char kill_log_path[] = ".\\" REMOVAL_LOG_NAME;
constexpr char kill_log_aside_prefix[] = ".\\" REMOVAL_LOG_NAME ".";
constexpr wchar_t claim_suffix[] = L"" REMOVAL_LOG_CLAIM_SUFFIX;
constexpr wchar_t claim_path[] = L".\\" REMOVAL_LOG_NAME REMOVAL_LOG_CLAIM_SUFFIX;
constexpr wchar_t uninstaller_command[] = L".\\UNWISE.EXE /S /A /R .\\" REMOVAL_LOG_NAME;
