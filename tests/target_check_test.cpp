#include "../target_check/target_check.h"
#include "test_files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

TEST(target_check, volume_roots_and_blanks_are_refused) {
    const char* roots[] = {
        "",
        " ",
        "  \t", // empty or blank
        "C:",
        "C:\\",
        "c:/",
        "C:\\\\",
        "C:\\.",
        "C:\\Tool\\..", // a drive
        "\\",
        "/",
        "\\\\",
        "C:\\ ",
        "C:\\...", // a root, or names Windows trims away
        "\\\\server\\share",
        "\\\\server\\share\\",
        "//server/share/",
        "\\\\server",
        "\\\\?\\C:\\",
        "\\\\.\\D:",
        "\\\\?\\UNC\\server\\share\\", // long-path forms
        ".",
        ".\\",
        "..",
        "Tool\\..\\..",
        "C:\\Tool\\sub\\..\\..\\", // the current directory or above
        // the UNC marker in any case, and a UNC root with an empty server
        "\\\\?\\unc\\server\\share",
        "\\\\.\\unc\\server\\share\\..",
        "\\\\?\\Unc\\server\\share\\/",
        "\\\\\\server\\share\\..\\c",
        "\\\\server\\\\share\\x",
        // device and volume namespaces
        "\\\\?\\Volume{0d1a2b3c-0000-0000-0000-100000000000}\\",
        "\\\\.\\Volume{0d1a2b3c-0000-0000-0000-100000000000}",
        "\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\",
        "\\??\\C:\\",
        "\\??\\C:\\Tool",
        "//?/.\\C:\\",
        "\\\\?\\\\C:",
        "\\\\.\\PhysicalDrive0",
        "\\\\.\\pipe\\x",
        "\\\\?\\C:Tool",
        // drive designators that are not ASCII letters
        "1:\\",
        "!:\\",
        "\xc4:\\\\",
    };
    for (const char* path : roots)
        EXPECT_TRUE(names_volume_root(wide(path).c_str())) << "[" << path << "]";
}

TEST(target_check, single_folders_are_kept) {
    const char* folders[] = {
        "C:\\Program Files\\Tool",
        "C:\\Program Files\\Tool\\",
        "C:/Tool",
        "C:Tool",
        "\\Tool",
        "\\\\server\\share\\Tool",
        "\\\\?\\C:\\Tool",
        "\\\\?\\UNC\\server\\share\\Tool",
        "\\\\?\\unc\\server\\share\\Tool",
        "Tool",
        "..\\Tool",
        "C:\\Tool\\sub\\..",
        "C:\\.Tool",
        "C:\\Tool.",
    };
    for (const char* path : folders)
        EXPECT_FALSE(names_volume_root(wide(path).c_str())) << "[" << path << "]";
}

TEST(target_check, forbidden_characters) {
    struct {
        const char* path;
        bool forbidden;
    } cases[] = {
        {"C:\\Program Files\\Example ??", true}, // characters lost to the code page
        {"C:\\Example *", true},
        {"C:\\a\"b", true},
        {"C:\\a<b", true},
        {"C:\\a>b", true},
        {"C:\\a|b", true},
        {"C:\\a\tb", true},
        {"C:\\a:b", true},
        {"C:\\Tool:stream", true},
        {"\\\\?\\UNC\\server/share\\Tool", true}, // a slash is a name's character there
        {"\\\\.\\C:/Tool", false},
        {"\\\\?\\C:\\Tool", false}, // the prefix's ? and the drive's colon
        {"\\\\.\\C:\\Tool", false},
        {"C:\\Programme\\Gr\xf6\xdf"
         "e",
         false},
        {"C:\\a b\\c.d", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(holds_forbidden_character(wide(c.path).c_str()), c.forbidden)
            << "[" << c.path << "]";
}

// A value that names a folder and climbs back out of it resolves to that
// folder's parent: a best-fit `＼` turned `Tool＼..` into `Tool\..`.
TEST(target_check, climbing_out_of_a_named_folder) {
    struct {
        const wchar_t* path;
        bool climbs;
    } cases[] = {
        {L"S:\\bf\\Vendor\\Tool\\..", true},
        {L"S:\\bf\\Vendor\\Tool\\..\\", true},
        {L"S:\\bf\\Vendor\\Tool\\\\..", true},
        {L"S:\\bf\\Vendor\\Tool\\.. .", true}, // read as ".." by Windows
        {L"S:\\bf\\Vendor\\Tool\\...", true},
        {L"S:/bf/Vendor/Tool/..", true},
        {L"Vendor\\Tool\\..", true},
        {L"\\\\server\\share\\Vendor\\Tool\\..", true},
        {L"C:\\Program Files\\Vendor\\App\\..\\Shared", false}, // a sibling
        {L"C:\\Program Files\\Vendor\\App\\..\\..\\Shared", false},
        {L"C:\\Program Files\\..\\Program Files\\Tool", false}, // still names Tool
        {L"..\\Tool", false},                                   // a relative start
        {L"..\\..\\Tool", false},
        {L"C:\\Tool\\.", false},
        {L"C:\\Tool\\..x", false},
        {L"S:\\bf\\Vendor\\Tool\xff3c..", false}, // one name, as it stands
    };
    for (const auto& c : cases) {
        EXPECT_EQ(climbs_out_of_named_folder(c.path), c.climbs) << code_page(c.path);
        if (c.climbs) {
            EXPECT_NE(removal_target_refusal(c.path), nullptr) << code_page(c.path);
        }
    }
}

// Judged by the platform from the current directory, and by what it opens.
// "..\\" once for each folder `folder` lies below its drive's root.
static std::string climb_to_root(const std::string& folder) {
    std::string climb;
    for (std::size_t i = 3; i < folder.size(); ++i)
        if (folder[i] == '\\' || i + 1 == folder.size())
            climb += "..\\";
    return climb;
}

TEST(target_check, platform_resolution) {
    std::string folder = make_test_folder("target_check");
    CreateDirectoryA((folder + "\\Tool").c_str(), nullptr);
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA(folder.c_str());
    char windows[MAX_PATH], temp_path[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    GetTempPathA(sizeof temp_path, temp_path);
    std::string temp(temp_path, std::strlen(temp_path) - 1);
    char short_name[MAX_PATH] = "";
    GetShortPathNameA("C:\\Program Files", short_name, sizeof short_name);
    std::string short_program_files = short_name;
    ASSERT_NE(short_program_files, "C:\\Program Files") << "a short name to spell it by";
    struct {
        std::string path;
        bool refused;
    } cases[] = {
        {"Tool", false},
        {".\\Tool\\", false},
        {folder + "\\Tool", false},
        {folder + "\\missing\\deeper", false},    // not there: nothing to judge by
        {"\\\\server\\share\\Apps\\Tool", false}, // no such share here
        {"\\\\?\\" + folder + "\\Tool", false},
        {"1:\\Tool", true}, // no letter, no drive
        {"C:\\ \\", true},  // trimmed back to the root
        {std::string(windows, 2) + "\\.\\ \\", true},
        // the platform's own folders and what holds them, in any spelling,
        // and what lies below them
        {windows, true},
        {std::string(windows) + "\\system32", true},
        {std::string(windows) + "\\SysWOW64", true},
        {std::string(windows) + "\\Sysnative", sizeof(void*) == 4},
        {"c:\\WINDOWS\\.", true},
        {"\\\\?\\C:\\users\\..\\windows", true},
        {"C:\\Program Files", true},
        {short_program_files, true},
        {"C:\\Program Files\\Common Files", true},
        {"C:\\ProgramData", true},
        {"C:\\users", true},
        {"C:\\users\\Public", true},
        {temp, true},
        {temp + "\\..", true},
        {climb_to_root(folder) + std::string(windows + 3), true}, // from the test folder
        {std::string(windows) + "\\Fonts\\Some Tool", false},
        {"C:\\Program Files\\Example Tool", false},
        {"C:\\ProgramData\\Example", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(removal_target_refusal(wide(c.path).c_str()) != nullptr, c.refused)
            << "[" << c.path << "]";
    SetCurrentDirectoryA(previous);
    remove_test_folder(folder);
}

// The platform's own view: the value names a root when its full path has no
// name below a drive or share, or when what it opens is a drive's root.
static bool platform_sees_root(const std::string& value, const std::vector<std::string>& roots) {
    char full[4096];
    DWORD length = GetFullPathNameA(value.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full)
        return false;
    std::string path(full, length);
    std::string plain = path.rfind("\\\\?\\", 0) == 0 ? path.substr(4) : path;
    bool drive_form = plain.size() >= 2 && plain[1] == ':';
    bool unc_form =
        plain.rfind("\\\\", 0) == 0 || plain.rfind("UNC\\", 0) == 0 || plain.rfind("unc\\", 0) == 0;
    if (!drive_form && !unc_form)
        return true; // a device, a volume or no place at all
    std::string below = drive_form ? plain.substr(2) : plain;
    std::size_t names = 0;
    for (std::size_t at = 0; at < below.size();) {
        std::size_t end = below.find_first_of("\\/", at);
        if (end == std::string::npos)
            end = below.size();
        if (end > at && below.find_first_not_of(". ", at) < end)
            ++names;
        at = end + 1;
    }
    if (names <= (unc_form ? 2u : 0u))
        return true;
    HANDLE opened = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    GetFileInformationByHandle(opened, &info);
    CloseHandle(opened);
    for (const std::string& root : roots) {
        HANDLE r = CreateFileA(root.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        BY_HANDLE_FILE_INFORMATION root_info;
        bool same = r != INVALID_HANDLE_VALUE && GetFileInformationByHandle(r, &root_info) &&
                    root_info.dwVolumeSerialNumber == info.dwVolumeSerialNumber &&
                    root_info.nFileIndexHigh == info.nFileIndexHigh &&
                    root_info.nFileIndexLow == info.nFileIndexLow;
        if (r != INVALID_HANDLE_VALUE)
            CloseHandle(r);
        if (same)
            return true;
    }
    return false;
}

// Thousands of spellings made from parts: nothing the check accepts may be
// a root to the platform.
TEST(target_check, no_accepted_spelling_is_a_root_to_the_platform) {
    std::string folder = make_test_folder("spellings");
    CreateDirectoryA((folder + "\\a").c_str(), nullptr);
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA((folder + "\\a").c_str());

    std::vector<std::string> roots;
    char drives[128] = "";
    GetLogicalDriveStringsA(sizeof drives, drives);
    for (const char* drive = drives; *drive != '\0'; drive += roots.back().size() + 1)
        roots.emplace_back(drive);
    const std::string starts[] = {
        "",       "C:",          "c:",          "C:\\",         "c:/",          "\\",
        "/",      "\\\\",        "//",          "\\\\?\\",      "\\\\.\\",      "//?/",
        "\\??\\", "\\\\?\\C:\\", "\\\\.\\c:\\", "\\\\?\\UNC\\", "\\\\?\\unc\\", "\\\\.\\Unc\\",
        "1:\\",   "Z:",          "\\\\\\",      "\\\\?\\\\"};
    const std::string parts[] = {"",    ".",   "..",        "...",        " ",
                                 ". .", "a",   "Windows",   "server",     "share",
                                 "CON", "nul", "Volume{1}", "GLOBALROOT", "x. "};
    const std::string separators[] = {"\\", "/", "\\\\"};
    int checked = 0, accepted = 0;
    std::vector<std::string> failures;
    for (const std::string& start : starts)
        for (const std::string& first : parts)
            for (const std::string& second : parts)
                for (const std::string& sep : separators) {
                    for (const std::string& end : {std::string(""), sep}) {
                        std::string value = start + first + sep + second + end;
                        ++checked;
                        if (removal_target_refusal(wide(value).c_str()) != nullptr)
                            continue;
                        ++accepted;
                        if (platform_sees_root(value, roots))
                            failures.push_back(value);
                    }
                }
    SetCurrentDirectoryA(previous);
    remove_test_folder(folder);
    EXPECT_GT(checked, 2000);
    EXPECT_GT(accepted, 100) << "ordinary folders among them pass";
    EXPECT_TRUE(failures.empty()) << failures.size() << " accepted roots, first [" << failures[0]
                                  << "]";
}
