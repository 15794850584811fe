#include "doctor/os/file_place.h"

#include "doctor/os/wide_text_windows.h"

#include <shellapi.h>

// argv is in the ANSI code page, where a folder named in other letters turns into "?".
std::vector<std::string> commandLineArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) out.push_back(utf8(arguments[i]));
    LocalFree(arguments);
    return out;
}

bool isPathSeparator(char c) { return c == '/' || c == '\\' || c == ':'; }

FolderVisit::FolderVisit() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(size, L'\0');
    folder.resize(GetCurrentDirectoryW(size, folder.data()));
    saved = utf8(folder);
}

FolderVisit::~FolderVisit() {
    if (!saved.empty()) SetCurrentDirectoryW(wide(saved).c_str());
}

bool FolderVisit::enter(const std::string& folder) { return SetCurrentDirectoryW(wide(folder).c_str()) != 0; }

std::optional<std::string> profileFileName(const std::string& utf8Name) {
    const std::wstring name = wide(utf8Name);
    BOOL lossy = FALSE;
    const int count = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.data(), static_cast<int>(name.size()),
                                          nullptr, 0, nullptr, &lossy);
    if (lossy) return std::nullopt;
    std::string out(static_cast<std::size_t>(count), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.data(), static_cast<int>(name.size()), out.data(), count,
                        nullptr, nullptr);
    return out;
}

std::string currentFolder() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(size, L'\0');
    folder.resize(GetCurrentDirectoryW(size, folder.data()));
    return utf8(folder);
}

std::vector<std::string> currentFolderEntries() {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(L"*", &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.push_back(utf8(found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}
