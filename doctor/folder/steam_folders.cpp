#include "doctor/folder/steam_folders.h"

namespace fs = std::filesystem;

fs::path realFolder(const fs::path& folder) {
    std::error_code error;
    const fs::path real = fs::canonical(folder, error);
    return error ? folder.lexically_normal() : real;
}

void addFolderOnce(std::vector<fs::path>& folders, const fs::path& folder) {
    for (const fs::path& held : folders) {
        std::error_code error;
        if (held == folder || fs::equivalent(held, folder, error)) return;
    }
    folders.push_back(folder);
}

std::vector<fs::path> linuxSteamFolders(const fs::path& home) {
    const fs::path places[] = {home / ".steam" / "steam", home / ".local" / "share" / "Steam",
                               home / ".var" / "app" / "com.valvesoftware.Steam" / ".local" / "share" / "Steam",
                               home / ".steam" / "root"};
    std::vector<fs::path> found;
    for (const fs::path& place : places) {
        std::error_code error;
        // Steam's own folder is the one that holds its list of libraries, or at least steamapps.
        if (!fs::is_directory(place / "steamapps", error)) continue;
        addFolderOnce(found, realFolder(place));
    }
    return found;
}
