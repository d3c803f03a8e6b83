#pragma once

// Every account's own folders, whether its profile is loaded now or not,
// and the folders synced with the cloud: what is removed there is removed
// for its owner, and from the cloud too. A run as LocalSystem, as a
// deployment starts it at night, has no profile but its own loaded.

// Receives one folder to refuse and what it is, naming its account.
typedef void (*account_folder_sink)(const wchar_t* path, const wchar_t* what);

// Hands `refuse` each of these folders:
// - of every profile in the registry's profile list, and of the Default and
//   Public profiles: the profile itself and the folders Windows makes in it
//   (default_profile_folders below), whether or not they were moved;
// - the shell folders its registry hive names (User Shell Folders, Shell
//   Folders), its OneDrive folders (the OneDrive variables of its
//   Environment, every account's UserFolder): from the hive loaded now, or
//   read from the profile's NTUSER.DAT through the Offline Registry Library
//   (offreg.dll), which opens the file for reading alone and loads nothing
//   into the registry; a hive that cannot be read adds nothing beyond the
//   default folders;
// - the shell folders of every other hive loaded now;
// - every account's synced folders the platform lists (SyncRootManager's
//   UserSyncRoots), and this run's own OneDrive folders.
// False when the registry cannot be had at all: the folders are unknown.
bool learn_account_folders(account_folder_sink refuse);

// The folders Windows 10 and 11 make in a profile, by the names the shell's
// known folders give them by default, below the profile's folder.
extern const wchar_t* const default_profile_folders[];
extern const unsigned default_profile_folder_count;
