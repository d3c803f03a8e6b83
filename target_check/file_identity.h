#pragma once

#include <windows.h>

// What a file or folder is, whatever name reaches it: its volume's serial
// number and its file index on that volume.
struct file_identity {
    DWORD volume_serial;
    DWORD index_high, index_low;
};

// Opens `path` to learn what it is: no access asked, every kind of sharing
// allowed, folders too, links followed. INVALID_HANDLE_VALUE when it cannot.
HANDLE open_for_identity(const wchar_t* path);

file_identity identity_of(const BY_HANDLE_FILE_INFORMATION& info);

// The identity of what `handle` opened; false when it cannot be learnt.
bool identity_of_handle(HANDLE handle, file_identity& identity);

// The identity of what `path` opens (links followed); false when it cannot
// be opened.
bool identity_of_path(const wchar_t* path, file_identity& identity);

bool same_identity(const file_identity& a, const file_identity& b);
