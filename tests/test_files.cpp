#include "test_files.h"

#include <windows.h>

#include <cstdio>

std::string make_test_folder(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder =
        std::string(temp) + "remove_tree_" + std::to_string(GetCurrentProcessId()) + "_" + name;
    remove_test_folder(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

// Wide throughout, so that names outside the code page go too.
static void remove_wide_folder(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring path = folder + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                remove_wide_folder(path);
            else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryW(path.c_str());
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

void remove_test_folder(const std::string& folder) {
    remove_wide_folder(wide(folder));
}

void write_file(const std::wstring& path, const std::string& bytes) {
    std::FILE* file = _wfopen(path.c_str(), L"wb");
    if (file == nullptr)
        return;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

void write_file(const std::string& path, const std::string& bytes) {
    write_file(wide(path), bytes);
}

std::string read_file(const std::string& path, bool* missing) {
    return read_file(wide(path), missing);
}

std::string read_file(const std::wstring& path, bool* missing) {
    std::string bytes;
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (missing != nullptr)
        *missing = file == nullptr;
    if (file == nullptr)
        return bytes;
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    std::fclose(file);
    return bytes;
}

bool file_exists(const std::string& path) {
    return file_exists(wide(path));
}

bool file_exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string program_folder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\'));
}

std::wstring wide(const std::string& code_page_text) {
    std::wstring text(code_page_text.size(), L'\0');
    int length = MultiByteToWideChar(CP_ACP, 0, code_page_text.data(),
                                     static_cast<int>(code_page_text.size()), &text[0],
                                     static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::string code_page(const std::wstring& text) {
    std::string bytes(text.size() * 2, '\0');
    int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(),
                                     static_cast<int>(text.size()), &bytes[0],
                                     static_cast<int>(bytes.size()), nullptr, nullptr);
    bytes.resize(static_cast<std::size_t>(length));
    return bytes;
}

std::string utf16_file(const std::wstring& text) {
    std::string bytes = "\xff\xfe";
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xff);
        bytes += static_cast<char>((c >> 8) & 0xff);
    }
    return bytes;
}

std::string pending_removals() {
    HKEY key;
    std::string text;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return text;
    DWORD size = 0, type = 0;
    if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, nullptr, &size) ==
        ERROR_SUCCESS) {
        std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
        if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type,
                             reinterpret_cast<BYTE*>(&value[0]), &size) == ERROR_SUCCESS)
            for (std::size_t i = 0; i < size / sizeof(wchar_t); ++i)
                text += value[i] < 128 ? static_cast<char>(value[i]) : '?';
    }
    RegCloseKey(key);
    for (char& c : text)
        if (c == '\0')
            c = '|';
    return text;
}

void forget_pending_removals() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "PendingFileRenameOperations");
        RegCloseKey(key);
    }
}
