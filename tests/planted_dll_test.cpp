// A DLL planted under a system DLL's name beside remove_tree.exe, in the
// settings file's folder (its current folder) and beside UNWISE.EXE is never
// loaded, asked or silent. Wine is told, before this program starts, to
// prefer a copy from a program's folder for those names, as Windows does for
// a DLL that is not a KnownDLL (WINEDLLOVERRIDES="version,uxtheme,...=n,b",
// which Wine reads when a process starts, from the host's environment). Only
// ever run in the scratch prefix (tools/run-in-scratch-prefix), whose drives
// are its own C: and S:.
#include "child_process.h"
#include "test_files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

static std::wstring scratch() {
    return wide(program_folder());
}

// The names Wine prefers from a program's folder: the `a,b,...=n,b` entry
// of its overrides.
static std::vector<std::wstring> planted_names() {
    wchar_t overrides[4096] = L"";
    GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 4096);
    std::wstring all = overrides;
    std::vector<std::wstring> names;
    for (std::size_t start = 0; start < all.size();) {
        std::size_t end = all.find(L';', start);
        std::wstring entry = all.substr(start, end - start);
        start = end == std::wstring::npos ? all.size() : end + 1;
        std::size_t equals = entry.find(L'=');
        if (equals == std::wstring::npos || entry.substr(equals) != L"=n,b")
            continue;
        for (std::size_t at = 0; at < equals;) {
            std::size_t comma = entry.find(L',', at);
            if (comma == std::wstring::npos || comma > equals)
                comma = equals;
            names.push_back(entry.substr(at, comma - at));
            at = comma + 1;
        }
    }
    return names;
}

static void plant_in(const std::wstring& folder, const std::vector<std::wstring>& names) {
    CreateDirectoryW(folder.c_str(), nullptr);
    for (const std::wstring& name : names)
        CopyFileW((scratch() + L"\\planted_marker.dll").c_str(),
                  (folder + L"\\" + name + L".dll").c_str(), FALSE);
}

// The lines the planted copies wrote (UTF-16), as code-page text.
static std::string loaded(const std::wstring& log) {
    std::string bytes = read_file(log);
    std::wstring text(bytes.size() / 2, L'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return code_page(text);
}

TEST(planted_dlls, none_is_loaded) {
    const std::wstring root = scratch() + L"\\planted", tool = root + L"\\tool",
                       settings_folder = root + L"\\settings", unwise = root + L"\\unwise",
                       product = root + L"\\Example Tool", log = root + L"\\loaded.txt";
    std::vector<std::wstring> names = planted_names();
    ASSERT_GE(names.size(), 12u) << "Wine is not told to prefer the planted copies";
    CreateDirectoryW(root.c_str(), nullptr);
    for (const std::wstring& folder : {tool, settings_folder, unwise})
        plant_in(folder, names);
    CopyFileW((scratch() + L"\\remove_tree.exe").c_str(), (tool + L"\\remove_tree.exe").c_str(),
              FALSE);
    CopyFileW((scratch() + L"\\dll_search_probe.exe").c_str(),
              (tool + L"\\dll_search_probe.exe").c_str(), FALSE);
    CopyFileW((scratch() + L"\\UNWISE.EXE").c_str(), (unwise + L"\\UNWISE.EXE").c_str(), FALSE);
    SetEnvironmentVariableW(L"PLANTED_DLL_LOG", log.c_str());

    // The control: a program that leaves the search as it is loads the copy
    // beside it, so the setting models the platform and the marker reports.
    DeleteFileW(log.c_str());
    ASSERT_EQ(run_answering(tool + L"\\dll_search_probe.exe", L"", settings_folder, "Planted", IDNO)
                  .status,
              0u);
    ASSERT_NE(loaded(log).find("version.dll in "), std::string::npos)
        << "a planted DLL is not loaded even where nothing restricts the search: " << loaded(log);

    struct {
        const char* name;
        const wchar_t* unwise_title;
        bool asked;
    } cases[] = {
        {"asked, answered No", L"Planted dialog", true},
        {"silent", L"/rollback", false},
    };
    for (const auto& c : cases) {
        CreateDirectoryW(product.c_str(), nullptr);
        write_file(product + L"\\readme.txt", "installed");
        std::wstring settings = settings_folder + L"\\remove_tree.ini";
        write_file(settings, utf16_file(L"[Strings]\r\nto_kill=" + product + L"\r\nunwise_path=" +
                                        unwise + L"\r\nunwise_title=" + c.unwise_title +
                                        L"\r\ntitle=Planted\r\nbody=Keep your files?\r\n"));
        DeleteFileW(log.c_str());
        question_answered run = run_answering(tool + L"\\remove_tree.exe", L"\"" + settings + L"\"",
                                              settings_folder, "Planted", IDNO);
        EXPECT_EQ(run.status, 0u) << c.name;
        EXPECT_EQ(run.asked, c.asked) << c.name;
        EXPECT_FALSE(file_exists(product)) << c.name;
        EXPECT_EQ(loaded(log), "") << c.name;
    }
}
