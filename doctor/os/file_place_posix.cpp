#include "doctor/os/file_place.h"

#include <dirent.h>
#include <unistd.h>

#include <climits>

// File names are bytes here, and the terminal's are UTF-8 already.
std::vector<std::string> commandLineArguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

bool isPathSeparator(char c) { return c == '/'; }

FolderVisit::FolderVisit() {
    char buffer[PATH_MAX];
    if (::getcwd(buffer, sizeof buffer)) saved = buffer;
}

FolderVisit::~FolderVisit() {
    if (!saved.empty() && ::chdir(saved.c_str()) != 0) {
        // The first folder is gone; nothing else to go back to.
    }
}

bool FolderVisit::enter(const std::string& folder) { return ::chdir(folder.c_str()) == 0; }

std::optional<std::string> profileFileName(const std::string& utf8Name) { return utf8Name; }

std::string currentFolder() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string(".");
}

std::vector<std::string> currentFolderEntries() {
    std::vector<std::string> names;
    if (DIR* folder = ::opendir(".")) {
        while (const dirent* entry = ::readdir(folder)) names.emplace_back(entry->d_name);
        ::closedir(folder);
    }
    return names;
}
