#include "doctor/folder/game_finder.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "doctor/folder/game_folder_check.h"
#include "doctor/folder/steam_folders.h"
#include "doctor/os/os.h"
#include "doctor/os/player_files.h"
#include "doctor/readers/epic_manifest.h"
#include "doctor/readers/steam_records.h"
#include "platform/profile_text.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uintmax_t kLargestRecord = 4 * 1024 * 1024;

std::optional<std::string> readRecord(const fs::path& path) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || size > kLargestRecord) return std::nullopt;
    return readBytes(path);
}

// What makes two names one folder: on Windows the letters without case, on Linux the real path
// (two names of one folder through a link are one; two folders whose names differ in case, two).
std::string folderKey(const std::string& folder) {
    const std::string full = absoluteFolder(folder);
    if (fileNamesIgnoreCase()) return profile_text::lowerAscii(fs::u8path(full).generic_u8string());
    return realFolder(fs::u8path(full)).generic_u8string();
}

bool holdsGame(const fs::path& folder) {
    std::error_code error;
    return fs::is_regular_file(folder / kGameFile, error);
}

class Finder {
public:
    void add(const std::string& folder, const std::string& launcher, const std::string& record) {
        if (folder.empty()) return;
        const fs::path path = fs::u8path(folder);
        if (!holdsGame(path)) {
            notes.push_back(record + " names " + folder + ", which holds no " + kGameFile);
            return;
        }
        const std::string full = absoluteFolder(folder);
        const std::string key = folderKey(full);
        for (FoundGame& game : found.games) {
            if (folderKey(game.folder) != key) continue;
            if (game.launchers.find(launcher) == std::string::npos) game.launchers += ", " + launcher;
            return;
        }
        found.games.push_back({full, launcher});
    }

    void steam(const std::string& steamFolder) {
        if (steamFolder.empty()) return;
        // Steam writes its own folder with "/" ("c:/program files (x86)/steam"): shown as Windows shows it.
        const fs::path steam = fs::u8path(steamFolder).make_preferred();
        std::vector<std::string> libraries{steamFolder};
        const fs::path list = steam / "steamapps" / "libraryfolders.vdf";
        std::error_code error;
        if (fs::exists(list, error)) {
            const std::optional<std::string> bytes = readRecord(list);
            const SteamLibraries read = bytes ? readSteamLibraries(*bytes) : SteamLibraries{{}, "it can't be read"};
            if (!read.refusal.empty())
                notes.push_back("Steam's " + list.u8string() + " is damaged (" + read.refusal +
                                "): only Steam's own folder was searched");
            libraries.insert(libraries.end(), read.folders.begin(), read.folders.end());
        }
        std::vector<std::string> seen;
        for (const std::string& library : libraries) {
            const std::string key = folderKey(library);
            if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
            seen.push_back(key);
            const fs::path steamapps = fs::u8path(library).make_preferred() / "steamapps";
            const fs::path manifest = steamapps / ("appmanifest_" + std::string(kSteamAppId) + ".acf");
            if (!fs::exists(manifest, error)) continue;
            const std::optional<std::string> bytes = readRecord(manifest);
            const SteamAppManifest app =
                bytes ? readSteamAppManifest(*bytes) : SteamAppManifest{{}, "it can't be read"};
            if (!app.refusal.empty()) {
                notes.push_back("Steam's " + manifest.u8string() + " can't be read (" + app.refusal + ")");
                continue;
            }
            add((steamapps / "common" / fs::u8path(app.installDir)).u8string(), "Steam",
                "Steam's " + manifest.filename().u8string());
        }
    }

    void epic(const std::string& manifests) {
        if (manifests.empty()) return;
        std::error_code error;
        std::vector<fs::path> items;
        for (fs::directory_iterator it(fs::u8path(manifests), error), end; !error && it != end; it.increment(error)) {
            if (profile_text::lowerAscii(it->path().extension().u8string()) == ".item") items.push_back(it->path());
        }
        std::sort(items.begin(), items.end());
        for (const fs::path& item : items) {
            const std::optional<std::string> bytes = readRecord(item);
            const EpicManifest manifest = bytes ? readEpicManifest(*bytes) : EpicManifest{{}, {}, "it can't be read"};
            // Other games' manifests are no concern; a damaged one may be the game's.
            if (!manifest.refusal.empty()) {
                notes.push_back("the Epic Games Launcher's " + item.filename().u8string() + " can't be read (" +
                                manifest.refusal + ")");
                continue;
            }
            const std::string program = fs::u8path(manifest.launchExecutable).filename().u8string();
            if (!profile_text::sameName(program, kGameFile)) continue;
            add(manifest.installLocation, "Epic Games Launcher",
                "the Epic Games Launcher's " + item.filename().u8string());
        }
    }

    FoundGames found;
    std::vector<std::string>& notes = found.notes;
};

}  // namespace

FoundGames findGameFolders(const LauncherRecords& records) {
    Finder finder;
    for (const auto& [value, folder] : records.rockstar)
        finder.add(folder, "Rockstar Games Launcher", "the Rockstar Games Launcher's " + value);
    finder.steam(records.steamFolder);
    if (!records.home.empty()) {
        for (const fs::path& steam : linuxSteamFolders(fs::u8path(records.home))) finder.steam(steam.u8string());
    }
    finder.epic(records.epicManifests);
    return finder.found;
}
