// Runs the real remove_tree.exe, with the project's UNWISE.EXE or the
// recording stand-in, on names and folders that must come through exactly or
// not at all. Only ever run in the scratch prefix (tools/run-in-scratch-prefix),
// whose drives are its own C: and S:.
#include "child_process.h"
#include "test_files.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <cwctype>

#include <string>
#include <vector>

static std::wstring scratch() {
    return wide(program_folder());
}

// A folder with one file in it, as an installed product's.
static void make_product(const std::wstring& folder) {
    CreateDirectoryW(folder.c_str(), nullptr);
    write_file(folder + L"\\product.txt", "installed");
}

static bool product_whole(const std::wstring& folder) {
    return read_file(folder + L"\\product.txt") == "installed";
}

static DWORD run(const std::wstring& program, const std::wstring& arguments,
                 const std::wstring& folder, HANDLE* started = nullptr) {
    PROCESS_INFORMATION process;
    if (!start_program(program, arguments, folder, process))
        return 0xdead;
    CloseHandle(process.hThread);
    if (started != nullptr) {
        *started = process.hProcess;
        return STILL_ACTIVE;
    }
    DWORD status = STILL_ACTIVE;
    WaitForSingleObject(process.hProcess, 60000);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    return status;
}

static std::wstring settings_text(const std::wstring& to_kill, const std::wstring& unwise_path) {
    return L"[Strings]\r\nto_kill=" + to_kill + L"\r\nunwise_path=" + unwise_path +
           L"\r\nunwise_title=/rollback\r\ntitle=Example\r\nbody=Keep?\r\n";
}

// Runs remove_tree.exe on a settings file written in UTF-16 (or in the code
// page), unasked; its exit status.
static DWORD remove_tree(const std::wstring& to_kill, const std::wstring& unwise_path,
                         bool utf16 = true) {
    std::wstring settings = scratch() + L"\\settings.ini";
    std::wstring text = settings_text(to_kill, unwise_path);
    write_file(settings, utf16 ? utf16_file(text) : code_page(text));
    return run(scratch() + L"\\remove_tree.exe", L"\"" + settings + L"\"", scratch());
}

// The folder that holds the project's UNWISE.EXE, and one that holds the
// recording stand-in under that name.
static std::wstring real_uninstaller() {
    std::wstring folder = scratch() + L"\\real";
    CreateDirectoryW(folder.c_str(), nullptr);
    CopyFileW((scratch() + L"\\UNWISE.EXE").c_str(), (folder + L"\\UNWISE.EXE").c_str(), FALSE);
    return folder;
}

static std::wstring recording_uninstaller(const std::wstring& folder) {
    CreateDirectoryW(folder.c_str(), nullptr);
    CopyFileW((scratch() + L"\\recording_uninstaller.exe").c_str(),
              (folder + L"\\UNWISE.EXE").c_str(), FALSE);
    DeleteFileW((folder + L"\\uninstaller_record.txt").c_str());
    DeleteFileW((folder + L"\\seen_kill_log").c_str());
    return folder;
}

// A name the code page lacks is never traded for a look-alike: the folder
// named goes and its best-fit neighbour stays. A folder whose name is a
// fullwidth reverse solidus and two dots after "Tool" cannot be reached by a
// Windows path (the dots are dropped), and the same name as best fit wrote it
// into an 8-bit file (a separator, "..") names the parent: nothing goes.
TEST(unicode_names, the_folder_named_goes_and_no_other) {
    std::wstring names = scratch() + L"\\names";
    CreateDirectoryW(names.c_str(), nullptr);
    struct {
        std::wstring named, neighbour;
        bool utf16, named_goes;
    } cases[] = {
        {L"Tool \x101", L"Tool a", true, true},
        {L"Tool \x141", L"Tool L", true, true},
        {L"\x65e5\x672c\x8a9e\x306e\x30c4\x30fc\x30eb", L"Tool", true, true},
        {L"Tool \xd83d\xde00", L"Tool", true, true},
        {L"Vendor\\Tool\xff3cx", L"Vendor\\Other", true, true},
        {L"fullwidth\\Vendor\\Tool\\..", L"fullwidth\\Vendor\\Other", false, false},
        {L"fullwidth\\Vendor\\Tool\xff3c..", L"fullwidth\\Vendor\\Other", true, false},
    };
    std::wstring uninstaller = real_uninstaller();
    // The host made "Tool＼..", which only a \\?\ path reaches.
    std::wstring dotted = L"\\\\?\\" + names + L"\\fullwidth\\Vendor\\Tool\xff3c..";
    ASSERT_TRUE(product_whole(dotted));
    for (const auto& c : cases) {
        std::wstring named = names + L"\\" + c.named, neighbour = names + L"\\" + c.neighbour;
        std::wstring parent = neighbour.substr(0, neighbour.rfind(L'\\'));
        CreateDirectoryW(parent.c_str(), nullptr);
        make_product(neighbour);
        if (c.named_goes && !file_exists(named))
            make_product(named);
        EXPECT_EQ(remove_tree(named, uninstaller, c.utf16), 0u) << code_page(c.named);
        EXPECT_TRUE(product_whole(neighbour)) << code_page(c.named);
        // What stays is looked at with a path Windows does not shorten.
        if (c.named_goes) {
            EXPECT_FALSE(file_exists(named)) << code_page(c.named);
        } else {
            EXPECT_TRUE(product_whole(dotted)) << code_page(c.named);
        }
    }
}

// Wine's short names are a hash and collide: a short name is used only when
// it opens the very folder named, so the other folder always stays.
TEST(unicode_names, colliding_short_names) {
    std::wstring folder = scratch() + L"\\collide";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring named = folder + L"\\Tool \x141", other = folder + L"\\Tool bxlq";
    make_product(other);
    make_product(named);
    wchar_t named_short[MAX_PATH] = L"", other_short[MAX_PATH] = L"";
    GetShortPathNameW(named.c_str(), named_short, MAX_PATH);
    GetShortPathNameW(other.c_str(), other_short, MAX_PATH);
    ASSERT_STREQ(named_short, other_short) << "the two names share a short name";
    EXPECT_EQ(remove_tree(named, real_uninstaller()), 0u);
    EXPECT_TRUE(product_whole(other));
}

// The same code-page value from an 8-bit settings file and from a UTF-16 one
// gives the uninstaller the very same log bytes, those of the value.
TEST(unicode_names, code_page_value_reaches_the_log_unchanged) {
    struct {
        UINT code_page;
        std::string bytes;
    } values[] = {
        {1252, "S:\\Programme\\Caf\xe9 \xdc"
               "ber"},
        // Shift-JIS, with a second byte that is a backslash (0x5c in "\x83\x5c")
        {932, "S:\\\x93\xfa\x96\x7b\x8c\xea\\\x83\x5c\x83\x74\x83\x67"},
    };
    bool checked = false;
    for (const auto& v : values) {
        if (v.code_page != GetACP())
            continue;
        checked = true;
        std::wstring value = wide(v.bytes);
        std::wstring recorder = recording_uninstaller(scratch() + L"\\recorder");
        std::string expected = "***  Installation Started  ***\r\nTitle: \r\nSource: \r\n"
                               "File Tree: " +
                               v.bytes + "\\*.*\r\n";
        for (bool utf16 : {false, true}) {
            DeleteFileW((recorder + L"\\seen_kill_log").c_str());
            EXPECT_EQ(remove_tree(value, recorder, utf16), 0u);
            EXPECT_EQ(read_file(recorder + L"\\seen_kill_log"), expected)
                << (utf16 ? "UTF-16" : "code page") << " settings, code page " << v.code_page;
        }
    }
    EXPECT_TRUE(checked) << "no value for code page " << GetACP();
}

// The uninstaller is started from the folder named, not from the folder
// best fit would make of its name.
TEST(unicode_names, uninstaller_folder_named_exactly) {
    std::wstring named = scratch() + L"\\\x141ukasz", decoy = scratch() + L"\\Lukasz";
    CreateDirectoryW(named.c_str(), nullptr);
    CreateDirectoryW(decoy.c_str(), nullptr);
    recording_uninstaller(named + L"\\tmp");
    recording_uninstaller(decoy + L"\\tmp");
    EXPECT_EQ(remove_tree(scratch() + L"\\some product", named + L"\\tmp"), 0u);
    EXPECT_TRUE(file_exists(named + L"\\tmp\\uninstaller_record.txt"));
    EXPECT_FALSE(file_exists(decoy + L"\\tmp\\uninstaller_record.txt")) << "the decoy ran";
}

// What UNWISE.EXE could not remove reaches the installer through the result
// file, after its first word: a line each, named in the code page (a
// character it lacks as "?").
TEST(unicode_names, what_the_uninstaller_left_reaches_the_result) {
    std::wstring tree = scratch() + L"\\Product \u0141", held = tree + L"\\in use \u0101.txt";
    make_product(tree);
    write_file(held, "held");
    HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    std::wstring settings = scratch() + L"\\left.ini", result = scratch() + L"\\left.result";
    write_file(settings, utf16_file(settings_text(tree, real_uninstaller()) + L"result_file=" +
                                    result + L"\r\n"));
    EXPECT_EQ(run(scratch() + L"\\remove_tree.exe", L"\"" + settings + L"\"", scratch()), 0u);
    CloseHandle(holder);
    std::string written = read_file(result);
    // The file, and the folder that holds it.
    std::string file_line = code_page(held) + ": in use", tree_line = code_page(tree) + ": holds";
    std::size_t second = written.find("\r\n", 12) + 2;
    EXPECT_EQ(written.substr(0, 12), "incomplete\r\n");
    EXPECT_EQ(written.substr(12, file_line.size()), file_line) << written;
    EXPECT_EQ(written.substr(second, tree_line.size()), tree_line) << written;
    EXPECT_EQ(written.find("\r\n", second) + 2, written.size()) << "two lines, no more";
    EXPECT_FALSE(file_exists(tree + L"\\product.txt"));
}

// The platform's own folders, as the platform reports them to this program
// (Wine's layout changes between releases: the user's Temp moved below
// AppData\Local in Wine 9).
static std::wstring shell_folder(int folder) {
    wchar_t path[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

static std::wstring known_folder(REFKNOWNFOLDERID folder) {
    PWSTR path = nullptr;
    std::wstring found;
    if (SHGetKnownFolderPath(folder, 0, nullptr, &path) == S_OK)
        found = path;
    CoTaskMemFree(path);
    return found;
}

static std::wstring system_folder(UINT(WINAPI* get)(LPWSTR, UINT)) {
    wchar_t path[MAX_PATH] = L"";
    UINT length = get(path, MAX_PATH);
    return std::wstring(path, length < MAX_PATH ? length : 0);
}

static std::wstring environment_folder(const wchar_t* name) {
    wchar_t path[MAX_PATH] = L"";
    DWORD length = GetEnvironmentVariableW(name, path, MAX_PATH);
    return std::wstring(path, length < MAX_PATH ? length : 0);
}

static std::wstring temp_folder() {
    wchar_t path[MAX_PATH + 1] = L"";
    DWORD length = GetTempPathW(MAX_PATH + 1, path);
    return std::wstring(path, length > 0 && length <= MAX_PATH ? length - 1 : 0);
}

struct platform_folder {
    std::wstring path;     // the folder itself, where the canary goes
    std::wstring spelling; // how the settings or the log name it
};

static std::vector<platform_folder> platform_folders() {
    std::wstring windows = system_folder(GetWindowsDirectoryW);
    std::wstring users = known_folder(FOLDERID_UserProfiles);
    const std::wstring folders[] = {
        windows,
        system_folder(GetSystemDirectoryW), // SysWOW64 to a 32-bit program
        system_folder(GetSystemWow64DirectoryW),
        shell_folder(CSIDL_PROGRAM_FILES), // Program Files (x86) to a 32-bit program
        shell_folder(CSIDL_PROGRAM_FILESX86),
        environment_folder(L"ProgramW6432"), // the 64-bit one, to either
        shell_folder(CSIDL_PROGRAM_FILES_COMMON),
        shell_folder(CSIDL_PROGRAM_FILES_COMMONX86),
        environment_folder(L"CommonProgramW6432"),
        shell_folder(CSIDL_COMMON_APPDATA),
        users,
        known_folder(FOLDERID_Public),
        shell_folder(CSIDL_COMMON_DESKTOPDIRECTORY),
        shell_folder(CSIDL_COMMON_DOCUMENTS),
        shell_folder(CSIDL_PROFILE),
        shell_folder(CSIDL_DESKTOPDIRECTORY),
        shell_folder(CSIDL_PERSONAL),
        known_folder(FOLDERID_Downloads),
        shell_folder(CSIDL_MYMUSIC),
        shell_folder(CSIDL_MYPICTURES),
        shell_folder(CSIDL_MYVIDEO),
        temp_folder(),
        shell_folder(CSIDL_LOCAL_APPDATA),
        known_folder(FOLDERID_LocalAppDataLow),
        shell_folder(CSIDL_APPDATA),
        shell_folder(CSIDL_STARTMENU),
        shell_folder(CSIDL_PROGRAMS),
        shell_folder(CSIDL_STARTUP),
        shell_folder(CSIDL_TEMPLATES),
        shell_folder(CSIDL_COMMON_STARTMENU),
        shell_folder(CSIDL_COMMON_PROGRAMS),
    };
    std::vector<platform_folder> list;
    for (const std::wstring& folder : folders)
        list.push_back({folder, folder});
    // other spellings of the same folders (the platform keeps both the
    // Windows folder and the profiles at the drive's root)
    std::wstring program_files = environment_folder(L"ProgramW6432");
    wchar_t short_name[MAX_PATH] = L"";
    GetShortPathNameW(program_files.c_str(), short_name, MAX_PATH);
    list.push_back({program_files, short_name});
    std::wstring shouted = windows;
    for (wchar_t& letter : shouted)
        letter = towupper(letter);
    list.push_back({windows, shouted + L"\\."});
    list.push_back({windows, L"\\\\?\\" + users + L"\\..\\" + windows.substr(3)});
    list.push_back({users, L"..\\..\\" + users.substr(3)}); // from C:\un\tools
    if (sizeof(void*) == 4) // the 64-bit system folder, to a 32-bit program
        list.push_back({windows + L"\\Sysnative", windows + L"\\Sysnative"});
    return list;
}

static const char canary_text[] = "the platform's own";

// Neither program removes a system or user folder, nor one that holds one,
// in any spelling: remove_tree.exe starts no uninstaller, UNWISE.EXE refuses
// and reports it; nothing in the folder is lost.
TEST(platform_folders, never_removed) {
    std::wstring tools = L"C:\\un\\tools";
    CreateDirectoryW(L"C:\\un", nullptr);
    recording_uninstaller(tools);
    CopyFileW((scratch() + L"\\UNWISE.EXE").c_str(), (tools + L"\\REAL.EXE").c_str(), FALSE);
    std::wstring log = tools + L"\\platform.log";
    std::string trees;
    std::vector<platform_folder> folders = platform_folders();
    for (const platform_folder& folder : folders) {
        ASSERT_FALSE(folder.path.empty() || folder.spelling.empty())
            << "a folder the platform names";
        std::string shown = code_page(folder.spelling);
        ASSERT_TRUE(file_exists(folder.path)) << code_page(folder.path);
        std::wstring canary = folder.path + L"\\remove_tree canary.txt";
        write_file(canary, canary_text);
        ASSERT_EQ(read_file(canary), canary_text) << shown;

        DeleteFileW((tools + L"\\uninstaller_record.txt").c_str());
        EXPECT_EQ(remove_tree(folder.spelling, tools), 0u) << shown;
        EXPECT_FALSE(file_exists(tools + L"\\uninstaller_record.txt")) << shown << ": handed over";
        // Anything lost would spoil the cases after it: stop at the first.
        ASSERT_EQ(read_file(canary), canary_text) << shown << ": removed";
        trees += "File Tree: " + shown + "\\*.*\r\n";
    }
    // UNWISE.EXE judges every tree of one log: each is left.
    write_file(log, trees);
    EXPECT_EQ(run(tools + L"\\REAL.EXE", L"/S platform.log", tools), 1u);
    // (A 32-bit program's System32 and SysWOW64 hold one canary.)
    for (const platform_folder& folder : folders)
        EXPECT_EQ(read_file(folder.path + L"\\remove_tree canary.txt"), canary_text)
            << code_page(folder.spelling) << ": removed";
    for (const platform_folder& folder : folders)
        DeleteFileW((folder.path + L"\\remove_tree canary.txt").c_str());
}

// The privilege RegSaveKeyW needs, enabled for this process.
static void enable_privilege(const wchar_t* name) {
    HANDLE token;
    OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token);
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid);
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
}

// Sets a value in the registry's 64-bit view, which a 32-bit program
// reaches only when it asks for it.
static void set_value(HKEY root, const std::wstring& key, const wchar_t* name, DWORD type,
                      const std::wstring& value) {
    HKEY opened;
    ASSERT_EQ(RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                              nullptr, &opened, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(opened, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    RegCloseKey(opened);
}

// Every account's own folders, its profile loaded or not (a deployment's
// run as LocalSystem, at night, has none but its own loaded), and the
// folders synced with a cloud: refused with their account named, while
// folders beside them still go. Alice's profile is not loaded: its hive is a
// file, read through the Offline Registry Library (a stand-in here, which
// Wine lacks), whose Documents are moved to S:\Data\alice; Carol's hive
// cannot be read; Bob's is loaded and names his OneDrive.
TEST(platform_folders, every_accounts_own_folders) {
    static const wchar_t list[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
    static const wchar_t sync_roots[] =
        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\SyncRootManager";
    const std::wstring alice = L"S-1-5-21-1000-1000-1000-1001",
                       bob = L"S-1-5-21-1000-1000-1000-1002",
                       carol = L"S-1-5-21-1000-1000-1000-1003";
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    ASSERT_TRUE(CopyFileW((scratch() + L"\\offreg.dll").c_str(),
                          (std::wstring(system) + L"\\offreg.dll").c_str(), FALSE));
    for (const wchar_t* folder :
         {L"C:\\Users\\alice", L"C:\\Users\\alice\\Documents", L"C:\\Users\\alice\\Desktop",
          L"C:\\Users\\carol", L"C:\\Users\\carol\\Documents", L"S:\\Data", L"S:\\Data\\alice",
          L"S:\\Sync", L"S:\\Sync\\alice OneDrive", L"S:\\Sync\\bob OneDrive",
          L"S:\\Sync\\alice root"})
        CreateDirectoryW(folder, nullptr);
    // Alice's hive, saved from a key of this user's as a file of her profile.
    const std::wstring saved = L"Software\\remove_tree test hive";
    set_value(HKEY_CURRENT_USER,
              saved +
                  L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
              L"Personal", REG_EXPAND_SZ, L"S:\\Data\\alice");
    set_value(HKEY_CURRENT_USER,
              saved +
                  L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
              L"Desktop", REG_EXPAND_SZ, L"%USERPROFILE%\\Desktop");
    set_value(HKEY_CURRENT_USER, saved + L"\\Software\\Microsoft\\OneDrive\\Accounts\\Personal",
              L"UserFolder", REG_SZ, L"S:\\Sync\\alice OneDrive");
    HKEY hive;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, saved.c_str(), 0, KEY_READ, &hive), ERROR_SUCCESS);
    enable_privilege(L"SeBackupPrivilege");
    DeleteFileW(L"C:\\Users\\alice\\NTUSER.DAT");
    ASSERT_EQ(RegSaveKeyW(hive, L"C:\\Users\\alice\\NTUSER.DAT", nullptr), ERROR_SUCCESS);
    RegCloseKey(hive);
    RegDeleteTreeW(HKEY_CURRENT_USER, saved.c_str());
    write_file(L"C:\\Users\\carol\\NTUSER.DAT", "no hive");
    set_value(HKEY_LOCAL_MACHINE, std::wstring(list) + L"\\" + alice, L"ProfileImagePath",
              REG_EXPAND_SZ, L"C:\\Users\\alice");
    set_value(HKEY_LOCAL_MACHINE, std::wstring(list) + L"\\" + carol, L"ProfileImagePath",
              REG_EXPAND_SZ, L"C:\\Users\\carol");
    set_value(HKEY_USERS, bob + L"\\Software\\Microsoft\\OneDrive\\Accounts\\Business1",
              L"UserFolder", REG_SZ, L"S:\\Sync\\bob OneDrive");
    const std::wstring provider = std::wstring(sync_roots) + L"\\Test!" + alice + L"!Personal";
    set_value(HKEY_LOCAL_MACHINE, provider + L"\\UserSyncRoots", alice.c_str(), REG_SZ,
              L"S:\\Sync\\alice root");

    struct {
        const wchar_t* folder;
        std::wstring account; // named in the reason; empty: the folder goes
    } cases[] = {
        {L"C:\\Users\\alice\\Documents", alice}, {L"S:\\Data\\alice", alice},
        {L"C:\\Users\\alice\\Desktop", alice},   {L"S:\\Sync\\alice OneDrive", alice},
        {L"S:\\Sync\\alice root", alice},        {L"C:\\Users\\carol\\Documents", carol},
        {L"S:\\Sync\\bob OneDrive", bob},        {L"C:\\Users\\alice\\Vendor App", L""},
        {L"S:\\Data\\alice-tools", L""},
    };
    std::wstring tools = recording_uninstaller(scratch() + L"\\accounts");
    std::wstring settings = scratch() + L"\\accounts.ini",
                 result = scratch() + L"\\accounts.result";
    for (const auto& c : cases) {
        std::string shown = code_page(c.folder);
        make_product(c.folder);
        DeleteFileW((tools + L"\\uninstaller_record.txt").c_str());
        write_file(settings,
                   utf16_file(settings_text(c.folder, tools) + L"result_file=" + result + L"\r\n"));
        EXPECT_EQ(run(scratch() + L"\\remove_tree.exe", L"\"" + settings + L"\"", scratch()), 0u)
            << shown;
        std::string written = read_file(result);
        if (c.folder == cases[0].folder) {
            EXPECT_EQ(written, "refused\r\nto_kill is the folder Documents of the account " +
                                   code_page(alice) + " (profile C:\\Users\\alice)\r\n");
        }
        if (c.account.empty()) {
            EXPECT_EQ(written, "removed\r\n") << shown;
        } else {
            EXPECT_EQ(written.substr(0, 9), "refused\r\n") << shown;
            EXPECT_NE(written.find("of the account " + code_page(c.account)), std::string::npos)
                << shown << ": " << written;
            EXPECT_FALSE(file_exists(tools + L"\\uninstaller_record.txt")) << shown;
        }
        EXPECT_TRUE(product_whole(c.folder)) << shown;
    }
    for (const auto& key :
         {std::wstring(list) + L"\\" + alice, std::wstring(list) + L"\\" + carol, provider}) {
        HKEY opened;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                          &opened) != ERROR_SUCCESS)
            continue;
        RegDeleteTreeW(opened, nullptr);
        RegCloseKey(opened);
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WOW64_64KEY, 0);
    }
    RegDeleteTreeW(HKEY_USERS, bob.c_str());
    DeleteFileW((std::wstring(system) + L"\\offreg.dll").c_str());
}

// Below those folders, a product's folder is removed and its sibling stays.
TEST(platform_folders, a_product_below_them_goes) {
    std::wstring product = L"C:\\Program Files\\Some App",
                 sibling = L"C:\\Program Files\\Other App";
    make_product(product);
    make_product(sibling);
    EXPECT_EQ(remove_tree(product, real_uninstaller()), 0u);
    EXPECT_FALSE(file_exists(product));
    EXPECT_TRUE(product_whole(sibling));
    DeleteFileW((sibling + L"\\product.txt").c_str());
    RemoveDirectoryW(sibling.c_str());
}

// Two runs that share an uninstaller folder, started together, take turns:
// both trees go every time and no log is left behind.
TEST(shared_uninstaller_folder, runs_take_turns) {
    std::wstring shared = real_uninstaller();
    std::wstring first = scratch() + L"\\product A", second = scratch() + L"\\product B";
    std::wstring settings[] = {scratch() + L"\\a.ini", scratch() + L"\\b.ini"};
    write_file(settings[0], utf16_file(settings_text(first, shared)));
    write_file(settings[1], utf16_file(settings_text(second, shared)));
    int both_gone = 0;
    const int trials = 10;
    for (int trial = 0; trial < trials; ++trial) {
        make_product(first);
        make_product(second);
        HANDLE runs[2];
        for (int i = 0; i < 2; ++i)
            run(scratch() + L"\\remove_tree.exe", L"\"" + settings[i] + L"\"", scratch(), &runs[i]);
        WaitForMultipleObjects(2, runs, TRUE, 60000);
        for (HANDLE process : runs) {
            DWORD status = STILL_ACTIVE;
            GetExitCodeProcess(process, &status);
            EXPECT_EQ(status, 0u) << "trial " << trial;
            CloseHandle(process);
        }
        both_gone += !file_exists(first) && !file_exists(second);
        EXPECT_FALSE(file_exists(shared + L"\\KILL.LOG")) << "trial " << trial;
    }
    EXPECT_EQ(both_gone, trials);
}

// What any program that may only read the uninstaller's folder can hold:
// the name of the claim an earlier build took (a named mutex keyed by the
// folder's identity, which anyone can compute) and the folder itself, open
// without write or delete sharing. The run goes on at once and removes its
// tree.
TEST(shared_uninstaller_folder, a_reader_cannot_hold_the_claim) {
    std::wstring shared = real_uninstaller(), product = scratch() + L"\\product C";
    HANDLE folder = CreateFileW(shared.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(folder, INVALID_HANDLE_VALUE);
    BY_HANDLE_FILE_INFORMATION info;
    ASSERT_TRUE(GetFileInformationByHandle(folder, &info));
    wchar_t name[96];
    wsprintfW(name, L"Global\\remove_tree KILL.LOG %08lx %08lx%08lx", info.dwVolumeSerialNumber,
              info.nFileIndexHigh, info.nFileIndexLow);
    HANDLE mutex = CreateMutexW(nullptr, TRUE, name);
    ASSERT_NE(mutex, nullptr);
    make_product(product);
    ULONGLONG started = GetTickCount64();
    EXPECT_EQ(remove_tree(product, shared), 0u);
    EXPECT_FALSE(file_exists(product));
    EXPECT_LT(GetTickCount64() - started, 120000u) << "the run waited for the reader";
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    CloseHandle(folder);
}

// A program that may read the uninstaller's folder opens the claim for its
// attributes while a run holds it, which no sharing refuses, and keeps it
// open: the next run on that folder still hands its tree over at once.
// (Wine drops a deleted name when the deleting handle closes, so it would
// pass without the rename aside; Windows keeps the name until the reader
// lets go.)
TEST(shared_uninstaller_folder, a_reader_of_the_claim_holds_up_no_later_run) {
    std::wstring tools = recording_uninstaller(scratch() + L"\\claimed");
    std::wstring lock = tools + L"\\KILL.LOG.lock", record = tools + L"\\uninstaller_record.txt";
    std::wstring first = scratch() + L"\\product D", settings = scratch() + L"\\first.ini";
    make_product(first);
    write_file(settings, utf16_file(settings_text(first, tools)));
    SetEnvironmentVariableW(L"RECORDING_UNINSTALLER_SECONDS", L"3");
    HANDLE holder = nullptr;
    run(scratch() + L"\\remove_tree.exe", L"\"" + settings + L"\"", scratch(), &holder);
    SetEnvironmentVariableW(L"RECORDING_UNINSTALLER_SECONDS", nullptr);
    HANDLE reader = INVALID_HANDLE_VALUE;
    for (int wait = 0; wait < 200 && reader == INVALID_HANDLE_VALUE; ++wait) {
        reader = CreateFileW(lock.c_str(), FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
        if (reader == INVALID_HANDLE_VALUE)
            Sleep(100);
    }
    ASSERT_NE(reader, INVALID_HANDLE_VALUE) << "the first run's claim";
    EXPECT_EQ(WaitForSingleObject(holder, 60000), WAIT_OBJECT_0);
    CloseHandle(holder);
    EXPECT_FALSE(file_exists(lock)) << "the claim's name is free while the reader holds the file";

    DeleteFileW(record.c_str());
    ULONGLONG started = GetTickCount64();
    EXPECT_EQ(remove_tree(scratch() + L"\\product E", tools), 0u);
    EXPECT_LT(GetTickCount64() - started, 10000u) << "the next run waited for the reader";
    EXPECT_TRUE(file_exists(record)) << "the next run handed its tree over";
    CloseHandle(reader);
    WIN32_FIND_DATAW found;
    HANDLE left = FindFirstFileW((lock + L"*").c_str(), &found);
    EXPECT_EQ(left, INVALID_HANDLE_VALUE) << "a claim's file stayed behind";
    if (left != INVALID_HANDLE_VALUE)
        FindClose(left);
}

// A tree that holds the uninstaller's folder: the run ends with 0, the
// rest of the tree goes, and nothing is left for a restart (not the claim
// the run held while the uninstaller worked).
TEST(shared_uninstaller_folder, tree_that_holds_the_uninstaller) {
    forget_pending_removals();
    std::wstring tree = scratch() + L"\\holder", tools = tree + L"\\uninstall";
    make_product(tree);
    CreateDirectoryW(tools.c_str(), nullptr);
    CopyFileW((scratch() + L"\\UNWISE.EXE").c_str(), (tools + L"\\UNWISE.EXE").c_str(), FALSE);
    EXPECT_EQ(remove_tree(tree, tools), 0u);
    EXPECT_FALSE(file_exists(tree + L"\\product.txt"));
    EXPECT_TRUE(file_exists(tools + L"\\UNWISE.EXE")) << "the running uninstaller is left";
    EXPECT_FALSE(file_exists(tools + L"\\KILL.LOG"));
    EXPECT_FALSE(file_exists(tools + L"\\KILL.LOG.lock"));
    EXPECT_EQ(pending_removals(), "");
}

// A server keeps hundreds of profiles: every one of them is protected, the
// last one listed too, while a product's folder still goes.
TEST(platform_folders, hundreds_of_profiles) {
    static const wchar_t list[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
    std::wstring profiles = L"C:\\profiles";
    CreateDirectoryW(profiles.c_str(), nullptr);
    const int count = 600;
    for (int i = 0; i < count; ++i) {
        wchar_t key[256], folder[64];
        wsprintfW(key, L"%s\\S-1-5-21-1000-1000-1000-%d", list, 5000 + i);
        wsprintfW(folder, L"%s\\user%03d", profiles.c_str(), i);
        CreateDirectoryW(folder, nullptr);
        ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, L"ProfileImagePath", REG_SZ, folder,
                                  (lstrlenW(folder) + 1) * sizeof(wchar_t)),
                  ERROR_SUCCESS);
    }
    std::wstring last = profiles + L"\\user599", product = L"C:\\Program Files\\Many Users App";
    write_file(last + L"\\remove_tree canary.txt", canary_text);
    CreateDirectoryW(L"C:\\un", nullptr);
    std::wstring tools = recording_uninstaller(L"C:\\un\\profiles");
    EXPECT_EQ(remove_tree(last, tools), 0u);
    EXPECT_FALSE(file_exists(tools + L"\\uninstaller_record.txt"))
        << "the last profile was handed over";
    EXPECT_EQ(read_file(last + L"\\remove_tree canary.txt"), canary_text);
    make_product(product);
    EXPECT_EQ(remove_tree(product, real_uninstaller()), 0u);
    EXPECT_FALSE(file_exists(product));
    for (int i = 0; i < count; ++i) {
        wchar_t key[256];
        wsprintfW(key, L"%s\\S-1-5-21-1000-1000-1000-%d", list, 5000 + i);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, key);
    }
}

// 2,000 tree names that the code page cannot read (Shift-JIS lead bytes
// followed by no valid second byte): each is left and counted, and the
// report names as many as it has room for and counts the rest.
TEST(code_page_932, unreadable_tree_names_are_counted) {
    ASSERT_EQ(GetACP(), 932u);
    std::wstring tools = real_uninstaller();
    std::string lines = "***  Installation Started  ***\r\nTitle: \r\nSource: \r\n";
    const unsigned count = 2000;
    for (unsigned i = 0; i < count; ++i)
        lines += "File Tree: S:\\\x81\x20tree " + std::to_string(i) + "\\*.*\r\n";
    write_file(tools + L"\\unreadable.log", lines);
    std::string box;
    EXPECT_EQ(run_reading_box(tools + L"\\UNWISE.EXE", L"unreadable.log", tools, box), 1u);
    const std::string line = "    (a name the code page cannot read): left\n";
    unsigned listed = 0;
    for (std::size_t at = box.find(line); at != std::string::npos; at = box.find(line, at + 1))
        ++listed;
    EXPECT_GT(listed, 0u) << box.substr(0, 200);
    EXPECT_LT(box.size(), 8192u);
    EXPECT_NE(box.find("    and " + std::to_string(count - listed) + " more\n"), std::string::npos)
        << box.substr(box.size() > 200 ? box.size() - 200 : 0);
}
