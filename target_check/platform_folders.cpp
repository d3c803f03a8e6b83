#include "platform_folders.h"

#include "profile_folders.h"
#include "../startup/system_functions.h"

#include <cstdlib>
#include <cwchar>

// The folders learnt, grown as needed (a server keeps hundreds of
// profiles), each with what it is: the offset of its description in
// `labels`, and whether it only holds the folder described. A folder that
// cannot be kept (no memory left) makes every folder count as the
// platform's own: nothing is refused for less.
struct protected_folder {
    file_identity identity;
    std::size_t label;
    bool holds;
};
static protected_folder* protected_folders;
static unsigned protected_count, protected_room;
static bool table_incomplete;
static wchar_t* labels;
static std::size_t labels_used, labels_room;
static std::size_t current_label; // the description of what is learnt now

// Keeps `label` for the folders learnt from now on.
static void describe(const wchar_t* label) {
    std::size_t length = std::wcslen(label) + 1;
    if (labels_used + length > labels_room) {
        std::size_t room = labels_room != 0 ? 2 * labels_room : 8192;
        while (room < labels_used + length)
            room *= 2;
        void* grown = std::realloc(labels, room * sizeof(wchar_t));
        if (grown == nullptr) {
            table_incomplete = true;
            return;
        }
        labels = static_cast<wchar_t*>(grown);
        labels_room = room;
    }
    std::wmemcpy(labels + labels_used, label, length);
    current_label = labels_used;
    labels_used += length;
}

static void protect(const file_identity& identity, bool holds) {
    for (unsigned i = 0; i < protected_count; ++i)
        if (same_identity(protected_folders[i].identity, identity))
            return;
    if (protected_count == protected_room) {
        unsigned room = protected_room != 0 ? 2 * protected_room : 128;
        void* grown = std::realloc(protected_folders, room * sizeof(protected_folder));
        if (grown == nullptr) {
            table_incomplete = true;
            return;
        }
        protected_folders = static_cast<protected_folder*>(grown);
        protected_room = room;
    }
    protected_folders[protected_count++] = {identity, current_label, holds};
}

// The full paths already looked at, compared whole and without regard to
// case, so that the folders many platform folders share (a profile, its
// AppData) are opened once: a table of offsets into one growing text, by a
// hash of the path. A path that cannot be noted is simply looked at again.
static wchar_t* seen_text;
static std::size_t seen_used, seen_room;
static std::size_t seen_slots[4096]; // offset + 1, 0 for a free slot
static unsigned seen_count;

// A hash that paths equal but for ASCII case share. (Paths that differ in
// the case of other letters may hash apart: they are then opened again.)
static unsigned path_hash(const wchar_t* path) {
    unsigned hash = 2166136261u;
    for (const wchar_t* c = path; *c != L'\0'; ++c) {
        wchar_t folded = *c >= L'a' && *c <= L'z' ? static_cast<wchar_t>(*c - L'a' + L'A') : *c;
        hash = (hash ^ static_cast<unsigned>(folded)) * 16777619u;
    }
    return hash;
}

// Whether `path` was looked at before; notes it when not.
static bool seen_before(const wchar_t* path) {
    const std::size_t slots = sizeof seen_slots / sizeof seen_slots[0];
    std::size_t length = std::wcslen(path);
    std::size_t slot = path_hash(path) % slots;
    for (std::size_t probe = 0; probe < slots; ++probe, slot = (slot + 1) % slots) {
        if (seen_slots[slot] == 0)
            break;
        const wchar_t* other = seen_text + seen_slots[slot] - 1;
        if (CompareStringOrdinal(other, -1, path, static_cast<int>(length), TRUE) == CSTR_EQUAL)
            return true;
    }
    if (seen_slots[slot] != 0 || 2 * (seen_count + 1) > slots)
        return false; // the table is full: looked at again, never skipped
    if (seen_used + length + 1 > seen_room) {
        std::size_t room = seen_room != 0 ? 2 * seen_room : 8192;
        while (room < seen_used + length + 1)
            room *= 2;
        void* grown = std::realloc(seen_text, room * sizeof(wchar_t));
        if (grown == nullptr)
            return false;
        seen_text = static_cast<wchar_t*>(grown);
        seen_room = room;
    }
    std::wmemcpy(seen_text + seen_used, path, length + 1);
    seen_slots[slot] = seen_used + 1;
    seen_used += length + 1;
    ++seen_count;
    return false;
}

// The folder at `path` and every folder that holds it, below its root (the
// roots are refused as such), as what the current description says. A path
// that does not open adds nothing; one looked at before, and so every folder
// above it, is not opened again.
static void protect_with_holders(const wchar_t* path) {
    static wchar_t full[32768];
    if (path[0] == L'\0')
        return;
    DWORD length = GetFullPathNameW(path, 32768, full, nullptr);
    if (length == 0 || length >= 32768)
        return;
    for (bool holds = false;; holds = true) {
        if (seen_before(full))
            return;
        file_identity identity;
        if (identity_of_path(full, identity))
            protect(identity, holds);
        std::size_t end = std::wcslen(full);
        while (end > 0 && full[end - 1] == L'\\')
            full[--end] = L'\0';
        wchar_t* last = std::wcsrchr(full, L'\\');
        // Stop above a drive's root: "C:" alone would name the current folder.
        if (last == nullptr || last == full || last[-1] == L':' || last[-1] == L'\\')
            return;
        *last = L'\0';
    }
}

static const int shell_folders[] = {
    CSIDL_WINDOWS,
    CSIDL_SYSTEM,
    CSIDL_SYSTEMX86,
    CSIDL_PROGRAM_FILES,
    CSIDL_PROGRAM_FILESX86,
    CSIDL_PROGRAM_FILES_COMMON,
    CSIDL_PROGRAM_FILES_COMMONX86,
    CSIDL_COMMON_APPDATA,
    CSIDL_PROFILE,
    CSIDL_DESKTOPDIRECTORY,
    CSIDL_PERSONAL,
    CSIDL_MYMUSIC,
    CSIDL_MYPICTURES,
    CSIDL_MYVIDEO,
    CSIDL_APPDATA,
    CSIDL_LOCAL_APPDATA,
    CSIDL_STARTMENU,
    CSIDL_PROGRAMS,
    CSIDL_STARTUP,
    CSIDL_TEMPLATES,
    CSIDL_FAVORITES,
    CSIDL_FONTS,
    CSIDL_COMMON_DESKTOPDIRECTORY,
    CSIDL_COMMON_DOCUMENTS,
    CSIDL_COMMON_MUSIC,
    CSIDL_COMMON_PICTURES,
    CSIDL_COMMON_VIDEO,
    CSIDL_COMMON_STARTMENU,
    CSIDL_COMMON_PROGRAMS,
    CSIDL_COMMON_STARTUP,
    CSIDL_COMMON_TEMPLATES,
};

// Known folders that have no CSIDL: Downloads, AppData\LocalLow, Public,
// Public Downloads and the profiles folder.
static const GUID known_folders[] = {
    {0x374de290, 0x123f, 0x4565, {0x91, 0x64, 0x39, 0xc4, 0x92, 0x5e, 0x46, 0x7b}},
    {0xa520a1a4, 0x1780, 0x4ff6, {0xbd, 0x18, 0x16, 0x73, 0x43, 0xc5, 0xaf, 0x16}},
    {0xdfdf76a2, 0xc82a, 0x4d63, {0x90, 0x6a, 0x56, 0x44, 0xac, 0x45, 0x73, 0x85}},
    {0x3d644c9b, 0x1fb8, 0x4f30, {0x9b, 0x45, 0xf6, 0x70, 0x23, 0x5f, 0x79, 0xc0}},
    {0x0762d272, 0xc50a, 0x4bb0, {0xa3, 0x82, 0x69, 0x7d, 0xcd, 0x72, 0x9b, 0x80}},
};

// Each named value of the key that holds a folder, in the registry's 64-bit
// and 32-bit views, since a 32-bit program sees only one Program Files
// through the shell. Expandable values come back expanded.
static void protect_registry_folders(HKEY root, const wchar_t* key_name,
                                     const wchar_t* const* values, unsigned count) {
    static wchar_t path[32768];
    const REGSAM views[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
    for (REGSAM view : views) {
        HKEY key;
        LSTATUS opened = reg_open_key(root, key_name, KEY_READ | view, &key);
        // The registry itself out of reach: the folders it names are unknown.
        if (opened == ERROR_PROC_NOT_FOUND)
            table_incomplete = true;
        if (opened != ERROR_SUCCESS)
            continue;
        for (unsigned i = 0; i < count; ++i) {
            DWORD size = sizeof path;
            if (reg_get_value(key, values[i], RRF_RT_REG_SZ, path, &size) == ERROR_SUCCESS)
                protect_with_holders(path);
        }
        reg_close_key(key);
    }
}

// An account's own folder, as the account folders name it.
static void protect_account_folder(const wchar_t* path, const wchar_t* what) {
    describe(what);
    protect_with_holders(path);
}

static void learn_platform_folders() {
    static wchar_t path[32768];
    describe(L"one of the platform's own folders, or of this run's account");
    if (GetWindowsDirectoryW(path, MAX_PATH)) {
        protect_with_holders(path);
        // What a 32-bit program reaches the 64-bit system folder by.
        std::wcscat(path, L"\\Sysnative");
        protect_with_holders(path);
    }
    if (GetSystemDirectoryW(path, MAX_PATH))
        protect_with_holders(path);
    if (GetSystemWow64DirectoryW(path, MAX_PATH))
        protect_with_holders(path);
    // The shell out of reach: the folders it names are unknown.
    for (int folder : shell_folders) {
        HRESULT found = sh_get_folder_path(folder, SHGFP_TYPE_CURRENT, path);
        if (found == S_OK)
            protect_with_holders(path);
        table_incomplete |= found == shell_function_missing;
    }
    for (const GUID& folder : known_folders) {
        HRESULT found = sh_get_known_folder_path(folder, path, MAX_PATH);
        if (found == S_OK)
            protect_with_holders(path);
        table_incomplete |= found == shell_function_missing;
    }
    static const wchar_t* const program_files[] = {
        L"ProgramFilesDir", L"CommonFilesDir",        L"ProgramW6432Dir",
        L"CommonW6432Dir",  L"ProgramFilesDir (x86)", L"CommonFilesDir (x86)",
    };
    protect_registry_folders(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                             program_files, 6);
    static const wchar_t* const list_values[] = {L"ProfilesDirectory", L"ProgramData", L"Public",
                                                 L"Default"};
    protect_registry_folders(HKEY_LOCAL_MACHINE,
                             L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
                             list_values, 4);
    describe(L"one of the platform's own folders, or of this run's account");
    // The temporary folders, as the platform sets them for the user and
    // for the system, and as this process sees them.
    static const wchar_t* const temp[] = {L"TEMP", L"TMP"};
    protect_registry_folders(HKEY_CURRENT_USER, L"Environment", temp, 2);
    protect_registry_folders(HKEY_LOCAL_MACHINE,
                             L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
                             temp, 2);
    if (GetTempPathW(MAX_PATH + 1, path))
        protect_with_holders(path);
    // Every account's folders, loaded or not, and the synced ones.
    if (!learn_account_folders(protect_account_folder))
        table_incomplete = true;
}

const wchar_t* platform_folder_refusal(const file_identity& opened) {
    static bool learned;
    static wchar_t reason[32768 + 1024];
    if (!learned) {
        learn_platform_folders();
        learned = true;
    }
    if (table_incomplete)
        return L"cannot be told from the platform's own folders (they could not all be learnt)";
    for (unsigned i = 0; i < protected_count; ++i) {
        if (!same_identity(opened, protected_folders[i].identity))
            continue;
        std::wcscpy(reason, protected_folders[i].holds ? L"holds " : L"is ");
        std::wcsncat(reason, labels + protected_folders[i].label, 32768 + 512);
        return reason;
    }
    return nullptr;
}
