#include "doctor/folder/proton_check.h"

#include <algorithm>

#include "doctor/folder/folder_files.h"
#include "doctor/folder/proton_override.h"
#include "doctor/folder/steam_folders.h"
#include "doctor/os/os.h"
#include "doctor/os/player_files.h"
#include "doctor/readers/steam_records.h"
#include "doctor/readers/wine_load_order.h"

namespace fs = std::filesystem;
using folder_files::joined;

namespace {

const FolderCheckId kCheck = FolderCheckId::Proton;

// Each Steam user's localconfig.vdf, read; a folder without one is no user of this machine.
std::vector<SteamUserConfig> steamUsers(const std::vector<fs::path>& steamFolders) {
    std::vector<SteamUserConfig> users;
    for (const fs::path& steam : steamFolders) {
        std::error_code error;
        std::vector<fs::path> folders;
        for (fs::directory_iterator it(steam / "userdata", error), end; !error && it != end; it.increment(error))
            folders.push_back(it->path());
        std::sort(folders.begin(), folders.end());
        for (const fs::path& user : folders) {
            const std::optional<std::string> bytes = readBytes(user / "config" / "localconfig.vdf");
            if (bytes) users.push_back({user.filename().u8string(), *bytes});
        }
    }
    return users;
}

// Steam's own folders: the library when it is one (it holds the users' settings), then those
// under the player's Linux home.
std::vector<fs::path> steamFoldersOf(const fs::path& library) {
    std::vector<fs::path> folders;
    std::error_code error;
    if (fs::is_directory(library / "userdata", error)) folders.push_back(library);
    if (const std::optional<fs::path> home = linuxHome()) {
        for (const fs::path& steam : linuxSteamFolders(*home)) addFolderOnce(folders, steam);
    }
    return folders;
}

// Whether Wine runs the doctor in `prefix`, whose registry it then reads as Wine holds it.
bool runsIn(const fs::path& prefix) {
    const std::optional<fs::path> own = ownWinePrefix();
    std::error_code error;
    return own && fs::equivalent(*own, prefix, error);
}

// The registry's overrides of `dll`, asked of the Wine the doctor runs in.
WineDllOverrides runningRegistry(const std::string& dll) {
    const std::string global = "Software\\Wine\\DllOverrides";
    const std::string program = std::string("Software\\Wine\\AppDefaults\\") + kGameFile + "\\DllOverrides";
    return dllOverridesFrom({userRegistryText(global, dll), userRegistryText(global, "*" + dll),
                             userRegistryText(program, dll), userRegistryText(program, "*" + dll)});
}

}  // namespace

std::optional<fs::path> steamLibraryOf(const fs::path& gameFolder) {
    const fs::path common = gameFolder.lexically_normal().parent_path();
    if (!folder_files::sameName(common.filename().u8string(), "common")) return std::nullopt;
    if (!folder_files::sameName(common.parent_path().filename().u8string(), "steamapps")) return std::nullopt;
    return common.parent_path().parent_path();
}

std::optional<FolderFinding> protonFinding(const fs::path& gameFolder, const std::string& loaderDll) {
    const std::optional<fs::path> library = steamLibraryOf(gameFolder);
    if (!library) return std::nullopt;
    ProtonOverrideInput input;
    input.loaderDll = overrideDllName(loaderDll);
    input.program = kGameFile;
    input.appId = kSteamAppId;
    input.users = steamUsers(steamFoldersOf(*library));
    const fs::path prefix = *library / "steamapps" / "compatdata" / kSteamAppId / "pfx";
    if (runsIn(prefix)) {
        input.registry = runningRegistry(input.loaderDll);
        input.environment = environmentVariable("WINEDLLOVERRIDES");
    } else {
        input.userReg = readBytes(prefix / "user.reg");
    }
    // Neither Steam's settings nor the game's prefix (made at its first start) here: nothing tells.
    if (input.users.empty() && !input.userReg && !input.registry) {
        FolderFinding unknown = finding(kCheck, Verdict::NotMade,
                                        "no Steam user's launch options and no Wine prefix of the game were found, so "
                                        "whether Wine loads the folder's " + input.loaderDll + ".dll can't be told");
        unknown.minor = true;
        return unknown;
    }
    const ProtonOverrideVerdict verdict = judgeProtonOverride(input);

    const std::string dll = input.loaderDll + ".dll";
    if (verdict.outcome == OverrideOutcome::LoadsFirst) {
        const bool byOptions = std::any_of(verdict.users.begin(), verdict.users.end(),
                                           [](const UserOverride& user) { return user.byLaunchOptions; });
        const char* why = byOptions                ? "the game's launch options say so"
                          : verdict.byEnvironment ? "the WINEDLLOVERRIDES the doctor runs with says so"
                                                  : "the game's Wine prefix says so";
        return finding(kCheck, Verdict::Pass, "Wine loads the folder's " + dll + " first (" + why + ")");
    }
    if (verdict.outcome == OverrideOutcome::Unknown) {
        std::string why = verdict.notes.empty() ? "no Steam user's launch options were found" : joined(verdict.notes);
        return finding(kCheck, Verdict::NotMade, "whether Wine loads the folder's " + dll + " can't be told: " + why);
    }
    const std::vector<std::string> lacking = verdict.usersLeftToWine();
    std::string line = "WINEDLLOVERRIDES=\"" + input.loaderDll + "=n,b\" %command%";
    for (const UserOverride& user : verdict.users) {
        if (user.outcome == OverrideOutcome::LeftToWine && !user.suggestedOptions.empty()) {
            line = user.suggestedOptions;
            break;
        }
    }
    return finding(
        kCheck, Verdict::Fail,
        "Wine loads its own " + dll + ", not the folder's ASI loader, so nothing loads the script hook or " +
            kPluginFile + (lacking.empty() ? "" : " (the launch options of Steam user " + joined(lacking) + ")"),
        "in Steam, open Red Dead Redemption 2 > Properties > Launch options and write: " + line +
            " (Steam may keep an option just pasted only when it closes: close Steam, then start the game)");
}
