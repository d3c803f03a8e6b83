#include "profile_folders.h"

#include "../startup/system_functions.h"

#include <cwchar>
#include <cwctype>

// The default paths of the known folders a profile holds (KNOWNFOLDERID,
// Windows documentation): Desktop, Documents, Downloads, Music, Pictures,
// Videos, Favorites, Contacts, Links, Saved Games, Searches, 3D Objects,
// OneDrive (and "OneDrive - <organisation>", found by listing), AppData with
// Local, LocalLow and Roaming, the Temp folder, the Start Menu.
const wchar_t* const default_profile_folders[] = {
    L"Desktop",
    L"Documents",
    L"Downloads",
    L"Music",
    L"Pictures",
    L"Videos",
    L"Favorites",
    L"Contacts",
    L"Links",
    L"Saved Games",
    L"Searches",
    L"3D Objects",
    L"OneDrive",
    L"AppData",
    L"AppData\\Local",
    L"AppData\\LocalLow",
    L"AppData\\Roaming",
    L"AppData\\Local\\Temp",
    L"AppData\\Roaming\\Microsoft\\Windows\\Start Menu",
};
const unsigned default_profile_folder_count =
    sizeof default_profile_folders / sizeof default_profile_folders[0];

static const wchar_t profile_list[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
static const wchar_t user_shell_folders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
static const wchar_t shell_folders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
static const wchar_t onedrive_accounts[] = L"Software\\Microsoft\\OneDrive\\Accounts";

static const unsigned path_room = 32768;
static account_folder_sink refuse;

// "<what> of the account <SID> (profile <root>)", in `label`.
static const wchar_t* label_of(const wchar_t* what, const wchar_t* sid, const wchar_t* root) {
    static wchar_t label[2 * 512 + path_room];
    std::wcscpy(label, what);
    if (sid != nullptr) {
        std::wcscat(label, L" of the account ");
        std::wcsncat(label, sid, 256);
    }
    if (root != nullptr && root[0] != L'\0') {
        std::wcscat(label, L" (profile ");
        std::wcsncat(label, root, path_room - 1);
        std::wcscat(label, L")");
    }
    return label;
}

// `folder`\`name` into `path`; false when it does not fit.
static bool joined(wchar_t* path, const wchar_t* folder, const wchar_t* name) {
    if (std::wcslen(folder) + std::wcslen(name) + 2 > path_room)
        return false;
    std::wcscpy(path, folder);
    std::wcscat(path, L"\\");
    std::wcscat(path, name);
    return true;
}

// Opens HKLM\<parent>\<child><more> in the registry's 64-bit view.
static bool open_machine_subkey(const wchar_t* parent, const wchar_t* child, const wchar_t* more,
                                HKEY& key) {
    static wchar_t name[1024];
    if (std::wcslen(parent) + std::wcslen(child) + std::wcslen(more) + 2 > 1024)
        return false;
    std::wcscpy(name, parent);
    std::wcscat(name, L"\\");
    std::wcscat(name, child);
    std::wcscat(name, more);
    return reg_open_key(HKEY_LOCAL_MACHINE, name, KEY_READ | KEY_WOW64_64KEY, &key) ==
           ERROR_SUCCESS;
}

// The profile's folder and the folders Windows makes in it, those that are
// there: the folder is listed once, rather than each name looked for (a
// server keeps hundreds of profiles).
static void refuse_default_folders(const wchar_t* root, const wchar_t* sid, const wchar_t* whose) {
    static wchar_t path[path_room], what[600];
    refuse(root, label_of(whose, sid, root));
    if (!joined(path, root, L"*"))
        return;
    WIN32_FIND_DATAW entry;
    HANDLE listing = FindFirstFileW(path, &entry);
    if (listing == INVALID_HANDLE_VALUE)
        return;
    bool app_data = false;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        bool known = std::wcsncmp(entry.cFileName, L"OneDrive - ", 11) == 0;
        for (unsigned i = 0; i < default_profile_folder_count && !known; ++i)
            known = CompareStringOrdinal(entry.cFileName, -1, default_profile_folders[i], -1,
                                         TRUE) == CSTR_EQUAL;
        app_data |= CompareStringOrdinal(entry.cFileName, -1, L"AppData", -1, TRUE) == CSTR_EQUAL;
        if (known && joined(path, root, entry.cFileName)) {
            std::wcscpy(what, L"the folder ");
            std::wcsncat(what, entry.cFileName, 260);
            refuse(path, label_of(what, sid, root));
        }
    } while (FindNextFileW(listing, &entry));
    FindClose(listing);
    for (unsigned i = 0; i < default_profile_folder_count && app_data; ++i) {
        if (std::wcsncmp(default_profile_folders[i], L"AppData\\", 8) != 0 ||
            !joined(path, root, default_profile_folders[i]))
            continue;
        std::wcscpy(what, L"the folder ");
        std::wcscat(what, default_profile_folders[i]);
        refuse(path, label_of(what, sid, root));
    }
}

// The Offline Registry Library's functions (offreg.dll, in the system
// folder of Windows 10 and 11): a hive file read as a file, for reading
// alone, loaded into no registry.
typedef void* offline_key;
typedef DWORD(WINAPI* open_hive_by_handle_type)(HANDLE, offline_key*);
typedef DWORD(WINAPI* open_hive_type)(PCWSTR, offline_key*);
typedef DWORD(WINAPI* open_key_type)(offline_key, PCWSTR, offline_key*);
typedef DWORD(WINAPI* enum_value_type)(offline_key, DWORD, PWSTR, PDWORD, PDWORD, PBYTE, PDWORD);
typedef DWORD(WINAPI* enum_key_type)(offline_key, DWORD, PWSTR, PDWORD, PWSTR, PDWORD, PFILETIME);
typedef DWORD(WINAPI* close_type)(offline_key);
static struct {
    bool tried;
    open_hive_by_handle_type open_hive_by_handle;
    open_hive_type open_hive;
    open_key_type open_key;
    enum_value_type enum_value;
    enum_key_type enum_key;
    close_type close_key, close_hive;
} offline;

static bool offline_library() {
    if (!offline.tried) {
        offline.tried = true;
        HMODULE library = load_system_dll(L"offreg.dll");
        auto function = [library](const char* name) {
            return reinterpret_cast<void (*)()>(GetProcAddress(library, name));
        };
        if (library != nullptr) {
            offline.open_hive_by_handle =
                reinterpret_cast<open_hive_by_handle_type>(function("OROpenHiveByHandle"));
            offline.open_hive = reinterpret_cast<open_hive_type>(function("OROpenHive"));
            offline.open_key = reinterpret_cast<open_key_type>(function("OROpenKey"));
            offline.enum_value = reinterpret_cast<enum_value_type>(function("OREnumValue"));
            offline.enum_key = reinterpret_cast<enum_key_type>(function("OREnumKey"));
            offline.close_key = reinterpret_cast<close_type>(function("ORCloseKey"));
            offline.close_hive = reinterpret_cast<close_type>(function("ORCloseHive"));
        }
    }
    return (offline.open_hive_by_handle != nullptr || offline.open_hive != nullptr) &&
           offline.open_key != nullptr && offline.enum_value != nullptr &&
           offline.enum_key != nullptr && offline.close_key != nullptr &&
           offline.close_hive != nullptr;
}

// A key of a hive loaded now (HKEY_USERS\<SID> is one), or of a hive file
// read offline.
struct hive_key {
    HKEY loaded;
    offline_key file;
};

static bool open_hive_key(const hive_key& hive, const wchar_t* name, hive_key& key) {
    key = {};
    if (hive.loaded != nullptr)
        return reg_open_key(hive.loaded, name, KEY_READ, &key.loaded) == ERROR_SUCCESS;
    return hive.file != nullptr && offline.open_key(hive.file, name, &key.file) == ERROR_SUCCESS;
}

static void close_hive_key(hive_key& key) {
    if (key.loaded != nullptr)
        reg_close_key(key.loaded);
    if (key.file != nullptr)
        offline.close_key(key.file);
    key = {};
}

// The value `index` of `key`: its name (16384 characters of room), its text
// (NUL-terminated) and its type; false at the end. A value too large to be
// a folder's name comes back as REG_NONE, holding nothing.
static bool hive_value(const hive_key& key, DWORD index, wchar_t* name, wchar_t* data,
                       DWORD& type) {
    DWORD name_length = 16384, size = (path_room - 1) * sizeof(wchar_t);
    LSTATUS read = key.loaded != nullptr
                       ? reg_enum_value(key.loaded, index, name, &name_length, &type, data, &size)
                       : offline.enum_value(key.file, index, name, &name_length, &type,
                                            reinterpret_cast<BYTE*>(data), &size);
    if (read == ERROR_MORE_DATA) {
        type = REG_NONE;
        size = 0;
    } else if (read != ERROR_SUCCESS) {
        return false;
    }
    data[size / sizeof(wchar_t)] = L'\0';
    return true;
}

// The name of the subkey `index` of `key` (256 characters of room); false at
// the end.
static bool hive_subkey(const hive_key& key, DWORD index, wchar_t* name) {
    DWORD length = 256;
    return (key.loaded != nullptr ? reg_enum_key(key.loaded, index, name, &length)
                                  : offline.enum_key(key.file, index, name, &length, nullptr,
                                                     nullptr, nullptr)) == ERROR_SUCCESS;
}

// A folder a user's value names: %USERPROFILE% is that user's profile folder,
// not this run's; what else it holds is expanded as the platform does.
static bool folder_of_value(const wchar_t* value, DWORD type, const wchar_t* root, wchar_t* path) {
    static wchar_t own[path_room];
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return false;
    const wchar_t* rest = value;
    own[0] = L'\0';
    if (type == REG_EXPAND_SZ &&
        CompareStringOrdinal(value, 13, L"%USERPROFILE%", 13, TRUE) == CSTR_EQUAL) {
        if (root == nullptr || root[0] == L'\0')
            return false;
        std::wcsncpy(own, root, path_room - 1);
        rest = value + 13;
    }
    if (std::wcslen(own) + std::wcslen(rest) >= path_room)
        return false;
    std::wcscat(own, rest);
    if (type == REG_SZ) {
        std::wcscpy(path, own);
    } else {
        DWORD length = ExpandEnvironmentStringsW(own, path, path_room);
        if (length == 0 || length > path_room)
            return false;
    }
    return path[0] != L'\0';
}

// Every folder the values of the key `name` of `hive` name (those of `only`
// alone, when given).
static void refuse_values(const hive_key& hive, const wchar_t* name, const wchar_t* const* only,
                          unsigned only_count, const wchar_t* root, const wchar_t* what,
                          const wchar_t* sid) {
    static wchar_t value_name[16384], data[path_room], path[path_room];
    hive_key key;
    if (!open_hive_key(hive, name, key))
        return;
    DWORD type = 0;
    for (DWORD i = 0; hive_value(key, i, value_name, data, type); ++i) {
        bool wanted = only == nullptr;
        for (unsigned j = 0; j < only_count && !wanted; ++j)
            wanted = CompareStringOrdinal(value_name, -1, only[j], -1, TRUE) == CSTR_EQUAL;
        if (wanted && folder_of_value(data, type, root, path))
            refuse(path, label_of(what, sid, root));
    }
    close_hive_key(key);
}

// What a user's hive names: its shell folders, its OneDrive folders.
static void refuse_hive_folders(const hive_key& hive, const wchar_t* root, const wchar_t* sid) {
    static const wchar_t* const onedrive[] = {L"OneDrive", L"OneDriveConsumer",
                                              L"OneDriveCommercial"};
    static const wchar_t* const user_folder[] = {L"UserFolder"};
    static wchar_t account[256], name[512];
    refuse_values(hive, user_shell_folders, nullptr, 0, root, L"a shell folder", sid);
    refuse_values(hive, shell_folders, nullptr, 0, root, L"a shell folder", sid);
    refuse_values(hive, L"Environment", onedrive, 3, root, L"the OneDrive folder", sid);
    hive_key accounts;
    if (!open_hive_key(hive, onedrive_accounts, accounts))
        return;
    for (DWORD i = 0; hive_subkey(accounts, i, account); ++i) {
        std::wcscpy(name, onedrive_accounts);
        std::wcscat(name, L"\\");
        std::wcscat(name, account);
        refuse_values(hive, name, user_folder, 1, root, L"the OneDrive folder", sid);
    }
    close_hive_key(accounts);
}

// The hive of a profile that is not loaded, read from its NTUSER.DAT.
static void refuse_offline_hive_folders(const wchar_t* root, const wchar_t* sid) {
    static wchar_t file_name[path_room];
    if (!offline_library() || !joined(file_name, root, L"NTUSER.DAT"))
        return;
    hive_key hive = {};
    HANDLE file = INVALID_HANDLE_VALUE;
    if (offline.open_hive_by_handle != nullptr) {
        // Opened for reading alone: a hive in use is held without sharing
        // and cannot be read here.
        file = CreateFileW(file_name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE ||
            offline.open_hive_by_handle(file, &hive.file) != ERROR_SUCCESS)
            hive.file = nullptr;
    } else if (offline.open_hive(file_name, &hive.file) != ERROR_SUCCESS) {
        hive.file = nullptr;
    }
    if (hive.file != nullptr) {
        refuse_hive_folders(hive, root, sid);
        offline.close_hive(hive.file);
    }
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

// A profile of the list: its folders, and what its hive names.
static void refuse_profile(const wchar_t* sid, const wchar_t* root) {
    refuse_default_folders(root, sid, L"the profile");
    hive_key hive = {};
    if (reg_open_key(HKEY_USERS, sid, KEY_READ, &hive.loaded) == ERROR_SUCCESS) {
        refuse_hive_folders(hive, root, sid);
        reg_close_key(hive.loaded);
    } else {
        refuse_offline_hive_folders(root, sid);
    }
}

// The hives loaded now whose account has no profile in the list.
static void refuse_other_loaded_hives() {
    static wchar_t sid[256];
    const hive_key users = {HKEY_USERS, nullptr};
    for (DWORD i = 0; hive_subkey(users, i, sid); ++i) {
        std::size_t size = std::wcslen(sid);
        if (size > 8 && std::wcscmp(sid + size - 8, L"_Classes") == 0)
            continue;
        HKEY key;
        if (open_machine_subkey(profile_list, sid, L"", key)) {
            reg_close_key(key);
            continue;
        }
        hive_key hive = {};
        if (reg_open_key(HKEY_USERS, sid, KEY_READ, &hive.loaded) != ERROR_SUCCESS)
            continue;
        refuse_hive_folders(hive, nullptr, sid);
        reg_close_key(hive.loaded);
    }
}

// The folders the platform syncs with a cloud, for every account:
// SyncRootManager\<provider>\UserSyncRoots holds "<user SID>" = "<folder>".
static void refuse_sync_roots() {
    static const wchar_t roots[] =
        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\SyncRootManager";
    static wchar_t provider[256], sid[16384], path[path_room];
    hive_key manager = {};
    if (reg_open_key(HKEY_LOCAL_MACHINE, roots, KEY_READ | KEY_WOW64_64KEY, &manager.loaded) !=
        ERROR_SUCCESS)
        return;
    for (DWORD i = 0; hive_subkey(manager, i, provider); ++i) {
        hive_key synced = {};
        if (!open_machine_subkey(roots, provider, L"\\UserSyncRoots", synced.loaded))
            continue;
        DWORD type = 0;
        for (DWORD j = 0; hive_value(synced, j, sid, path, type); ++j)
            if (type == REG_SZ && path[0] != L'\0')
                refuse(path, label_of(L"a folder synced with a cloud", sid, nullptr));
        reg_close_key(synced.loaded);
    }
    reg_close_key(manager.loaded);
}

// This run's own OneDrive: the shell's known folders and the variables the
// OneDrive client sets.
static void refuse_own_onedrive() {
    // FOLDERID_SkyDrive, SkyDriveDocuments, SkyDrivePictures, SkyDriveMusic,
    // SkyDriveCameraRoll.
    static const GUID known[] = {
        {0xa52bba46, 0xe9e1, 0x435f, {0xb3, 0xd9, 0x28, 0xda, 0xa6, 0x48, 0xc0, 0xf6}},
        {0x24d89e24, 0x2f19, 0x4534, {0x9d, 0xde, 0x6a, 0x66, 0x71, 0xfb, 0xb8, 0xfe}},
        {0x339719b5, 0x8c47, 0x4894, {0x94, 0xc2, 0xd8, 0xf7, 0x7a, 0xdd, 0x44, 0xa6}},
        {0xc3f2459e, 0x80d6, 0x45dc, {0xbf, 0xef, 0x1f, 0x76, 0x9f, 0x2b, 0xe7, 0x30}},
        {0x767e6811, 0x49cb, 0x4273, {0x87, 0xc2, 0x20, 0xf3, 0x55, 0xe1, 0x08, 0x5b}},
    };
    static const wchar_t* const variables[] = {L"OneDrive", L"OneDriveConsumer",
                                               L"OneDriveCommercial"};
    static wchar_t path[path_room];
    for (const GUID& folder : known)
        if (sh_get_known_folder_path(folder, path, MAX_PATH) == S_OK)
            refuse(path, L"this account's OneDrive folder");
    for (const wchar_t* variable : variables) {
        DWORD length = GetEnvironmentVariableW(variable, path, path_room);
        if (length > 0 && length < path_room)
            refuse(path, L"this account's OneDrive folder");
    }
}

bool learn_account_folders(account_folder_sink sink) {
    refuse = sink;
    static wchar_t sid[256], root[path_room];
    hive_key list = {};
    LSTATUS opened =
        reg_open_key(HKEY_LOCAL_MACHINE, profile_list, KEY_READ | KEY_WOW64_64KEY, &list.loaded);
    if (opened == ERROR_PROC_NOT_FOUND)
        return false;
    if (opened == ERROR_SUCCESS) {
        for (DWORD i = 0; hive_subkey(list, i, sid); ++i) {
            HKEY profile;
            if (!open_machine_subkey(profile_list, sid, L"", profile))
                continue;
            DWORD size = sizeof root - sizeof(wchar_t);
            bool known = reg_get_value(profile, L"ProfileImagePath", RRF_RT_REG_SZ, root, &size) ==
                             ERROR_SUCCESS &&
                         root[0] != L'\0';
            reg_close_key(profile);
            if (known)
                refuse_profile(sid, root);
        }
        // The profile new accounts are made from, and the one all share.
        DWORD size = sizeof root - sizeof(wchar_t);
        if (reg_get_value(list.loaded, L"Default", RRF_RT_REG_SZ, root, &size) == ERROR_SUCCESS) {
            refuse_default_folders(root, nullptr, L"the Default profile");
            refuse_offline_hive_folders(root, nullptr);
        }
        size = sizeof root - sizeof(wchar_t);
        if (reg_get_value(list.loaded, L"Public", RRF_RT_REG_SZ, root, &size) == ERROR_SUCCESS)
            refuse_default_folders(root, nullptr, L"the Public profile");
        reg_close_key(list.loaded);
    }
    refuse_other_loaded_hives();
    refuse_sync_roots();
    refuse_own_onedrive();
    return true;
}
