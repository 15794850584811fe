// The doctor's game-folder checks under Wine, over game folders made per case from the real
// Veltrane.asi, the stand-in script host and ASI loader, a stand-in host built without one of
// its functions and a 32-bit DLL: for each, which checks fail, the exit status, and that
// nothing in the folder changed. Then scenes of the launchers' records (in this test's own
// Wine prefix), of --install and --uninstall, and of a double-click in the unpacked package:
// what was said, the exit status, and every file of the folders before and after.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "doctor/cli/doctor_cli.h"
#include "doctor/os/os.h"
#include "doctor/settings/report.h"
#include "platform/windows_api.h"
#include "settings/settings_file.h"
#include "tests/support/flat_text.h"
#include "tests/support/golden_runs.h"
#include "tests/support/launcher_files.h"
#include "tests/support/settings_text.h"
#include "tests/support/whole_file.h"

namespace fs = std::filesystem;

namespace {

using launcher_files::quotedPath;
using launcher_files::write;

void copy(const char* from, const fs::path& to) {
    fs::create_directories(to.parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

// Every file below `folder` with its bytes.
std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        files[fs::relative(entry.path(), folder).u8string()] = entry.is_regular_file() ? readFile(entry.path()) : "/";
    return files;
}

// The numbers of the game-folder checks the report fails ("FAIL 3 Plugin: ..."), leaving out
// what runs now: other tests' games run beside this one.
std::set<int> failedChecks(const std::string& report) {
    std::set<int> failed;
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("FAIL ", 0) == 0 && line.size() > 5 && std::isdigit(static_cast<unsigned char>(line[5])))
            failed.insert(line[5] - '0');
    }
    return failed;
}

// A complete game folder: the script hook, its ASI loader under a name the game loads, the
// plugin and its settings file.
void complete(const fs::path& game) {
    copy(VELTRANE_GAME, game / "RDR2.exe");
    copy(VELTRANE_STAND_IN_HOST, game / "ScriptHookRDR2.dll");
    copy(VELTRANE_ASI_LOADER, game / "dinput8.dll");
    copy(VELTRANE_PLUGIN, game / "Veltrane.asi");
    write(game / "Veltrane.ini", joinLines(defaultSettingsLines()));
}

struct Case {
    const char* name;
    std::function<void(const fs::path&)> change;  // made on a complete folder
    std::set<int> failing;
    int status;
    std::vector<std::string> said;  // each in the report
};

// A file's time set back: a log of an earlier start.
void age(const fs::path& file, int days) {
    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(24 * days));
}

// The change that moves the folder's file `from` to `to` (in a subfolder, made as needed).
std::function<void(const fs::path&)> moved(const fs::path& from, const fs::path& to) {
    return [from, to](const fs::path& game) {
        fs::create_directories((game / to).parent_path());
        fs::rename(game / from, game / to);
    };
}

void cut(const fs::path& file, std::size_t size) {
    std::string bytes = readFile(file);
    bytes.resize(size);
    write(file, bytes);
}

TEST(DoctorGameFolder, NamesTheCheckThatFailsAndChangesNothing) {
    const fs::path base = fs::temp_directory_path() / "veltrane-doctor-game-folders";
    fs::remove_all(base);
    const std::vector<Case> cases = {
        {"complete", [](const fs::path&) {}, {}, 0, {"ok 1 Script hook", "has the 9 functions Veltrane.asi uses",
                                                        "ok 2 ASI loader: dinput8.dll", "ok 3 Plugin"}},
        {"loader log says it failed",
         [](const fs::path& game) {
             write(game / "asi-loader.log", "Loading plugins\r\nother.asi: loaded at 0x7ff812340000\r\n"
                                            "Veltrane.asi: failed to load (error 126)\r\n");
         },
         {6}, 1, {"asi-loader.log (", "| Veltrane.asi: failed to load (error 126)"}},
        {"host lacks a function",
         [](const fs::path& game) { copy(VELTRANE_HOST_LACKING, game / "ScriptHookRDR2.dll"); },
         {1}, 1, {"lacks 1 of the 9 functions Veltrane.asi uses (" VELTRANE_HOST_LACKS ")"}},
        {"32-bit host", [](const fs::path& game) { copy(VELTRANE_DLL32, game / "ScriptHookRDR2.dll"); }, {1}, 1,
         {"ScriptHookRDR2.dll is a 32-bit x86 DLL"}},
        {"text file as host", [](const fs::path& game) { write(game / "ScriptHookRDR2.dll", "<html>404</html>"); },
         {1}, 1, {"is no Windows DLL"}},
        {"no loader", [](const fs::path& game) { fs::remove(game / "dinput8.dll"); }, {2}, 1, {"dinput8.dll"}},
        {"a loader's name on another DLL",
         [](const fs::path& game) { copy(VELTRANE_DLL32, game / "dinput8.dll"); },
         {2}, 1, {"dinput8.dll shows no sign of it"}},
        {"two copies of the plugin",
         [](const fs::path& game) {
             copy(VELTRANE_PLUGIN, game / "Veltrane (1).asi");
             copy(VELTRANE_PLUGIN, game / "scripts" / "weather.asi");
         },
         {3}, 1, {"Veltrane (1).asi", "weather.asi", "each copy runs its own pass"}},
        {"Veltrane.ini.txt", moved("Veltrane.ini", "Veltrane.ini.txt"),
         {5}, 1, {"no Veltrane.ini here, but Veltrane.ini.txt", "File name extensions"}},
        {"plugin cut short by a failed download",
         [](const fs::path& game) { cut(game / "Veltrane.asi", 100000); },
         {3}, 1, {"Veltrane.asi is damaged or cut short", "past the end of the file (100000 bytes)", "download the package again"}},
        {"plugin with a byte damaged",
         [](const fs::path& game) {
             std::string bytes = readFile(game / "Veltrane.asi");
             bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x10);
             write(game / "Veltrane.asi", bytes);
         },
         {3}, 1, {"its checksum does not hold"}},
        {"an old log's failure beside a newer one's load",
         [](const fs::path& game) {
             write(game / "old.log", "Veltrane.asi: failed to load (error 126)\n");
             age(game / "old.log", 400);
             write(game / "asi-loader.log", "Veltrane.asi: loaded at 0x7ff812340000\n");
         },
         {}, 0, {"note 6 Log: old.log", "tells of an earlier start", "ok 6 Log: asi-loader.log"}},
        {"script hook stopped by a game update",
         [](const fs::path& game) {
             write(game / "ScriptHookRDR2.log", "Script hook 1.0.1436.31, built Nov  2 2026\r\n\r\n"
                                                "[12:00:01] INIT: loading\r\n"
                                                "[12:00:01] FATAL: Unknown game version, check for an update\r\n");
         },
         {6}, 1,
         {"the game is version " VELTRANE_GAME_VERSION ", the script hook version 1.0.1436.31",
          "| [12:00:01] FATAL: Unknown game version, check for an update",
          "wait for a script hook that supports version " VELTRANE_GAME_VERSION,
          "or put back the game version it supports"}},
        {"a log of the script hook here before, by its version",
         [](const fs::path& game) {
             copy(VELTRANE_GAME, game / "ScriptHookRDR2.dll");  // a file of the game's version, but no DLL
             write(game / "ScriptHookRDR2.log", "ScriptHookRDR2 1.0.1436.31\r\nFATAL: Unknown game version\r\n");
         },
         {1}, 1,
         {"the script hook that was here before (version 1.0.1436.31) stopped and ran no plugin",
          "the ScriptHookRDR2.dll here now (version " VELTRANE_GAME_VERSION ") came after this log"}},
        // Version resources across their range, read by Windows (the game's) and from the bytes
        // (the script hook's).
        {"a script hook whose version text is written with commas",
         [](const fs::path& game) {
             copy(VELTRANE_GAME_COMMAS, game / "ScriptHookRDR2.dll");
             write(game / "ScriptHookRDR2.log", "ScriptHookRDR2 1.0.1436.31\r\nFATAL: Unknown game version\r\n");
         },
         {1, 6}, 1, {"FAIL 6 Log: ScriptHookRDR2.log", "the script hook version 1.0.1436.31"}},
        {"a game and a script hook of the highest version, their texts empty",
         [](const fs::path& game) {
             copy(VELTRANE_GAME_HIGHEST, game / "RDR2.exe");
             copy(VELTRANE_GAME_HIGHEST, game / "ScriptHookRDR2.dll");
             write(game / "ScriptHookRDR2.log", "[12:00:01] FATAL: Unknown game version\r\n");
         },
         {1, 6}, 1, {"the game is version 65535.65535.65535.65535, the script hook version 65535.65535.65535.65535"}},
        {"a game without a version resource",
         [](const fs::path& game) {
             copy(VELTRANE_GAME_UNVERSIONED, game / "RDR2.exe");
             write(game / "ScriptHookRDR2.log", "ScriptHookRDR2 1.0.1436.31\r\nFATAL: Unknown game version\r\n");
         },
         {6}, 1, {"the game is of a version that can't be read", "supports version the game's"}},
        // Wine gives no file a creation time of its own (it shows the write time): the hook is
        // put here after the log by its write time.
        {"a log older than the script hook put here since, of no version",
         [](const fs::path& game) {
             age(game / "Veltrane.asi", 400);
             age(game / "RDR2.exe", 400);
             write(game / "ScriptHookRDR2.log", "[12:00:01] FATAL: Unknown game version\r\n");
             age(game / "ScriptHookRDR2.log", 10);
             fs::last_write_time(game / "ScriptHookRDR2.dll", fs::file_time_type::clock::now());
         },
         {}, 0, {"note 6 Log: ScriptHookRDR2.log", "came after this log, which tells nothing of it"}},
        {"a script hook's log after the hook and the game, the plugin updated since",
         [](const fs::path& game) {
             write(game / "ScriptHookRDR2.log",
                   "ScriptHookRDR2 1.0.1436.31\r\n[12:00:01] FATAL: Unknown game version\r\n");
             fs::last_write_time(game / "Veltrane.asi", fs::file_time_type::clock::now() + std::chrono::hours(1));
         },
         {6}, 1, {"FAIL 6 Log: ScriptHookRDR2.log", "wait for a script hook that supports version"}},
        {"script hook stopped by an error of its own",
         [](const fs::path& game) {
             write(game / "ScriptHookRDR2.log",
                   "ScriptHookRDR2 1.0.1436.31\r\n[12:00:01] FATAL: Unable to create script thread\r\n");
         },
         {6}, 1,
         {"the script hook stopped with an error of its own", "| [12:00:01] FATAL: Unable to create script thread",
          "the quoted line is the script hook's own error, not a game update"}},
        {"script hook's refusal in another letter case",
         [](const fs::path& game) {
             write(game / "ScriptHookRDR2.log", "ScriptHookRDR2 1.0.1436.31\nFatal: unknown game version\n");
         },
         {6}, 1, {"| Fatal: unknown game version", "wait for a script hook that supports version"}},
        {"script hook's log with a date before the version",
         [](const fs::path& game) {
             write(game / "ScriptHookRDR2.log", "[08.12.2026 19:02:11] INIT: ScriptHookRDR2 1.0.1436.31\r\n"
                                                "[08.12.2026 19:02:12] FATAL: Unknown game version\r\n");
         },
         {6}, 1, {"the script hook version 1.0.1436.31"}},
        {"script hook in a subfolder",
         moved("ScriptHookRDR2.dll", fs::path("bin") / "ScriptHookRDR2.dll"),
         {1}, 1, {"bin\\ScriptHookRDR2.dll in a subfolder", "move the files of bin", "beside RDR2.exe"}},
        {"package unpacked into a subfolder",
         moved("Veltrane.asi", fs::path("Veltrane-1.3.0") / "Veltrane.asi"),
         {3}, 1, {"Veltrane-1.3.0\\Veltrane.asi in a subfolder", "up one folder"}},
        {"Veltrane.asi.txt", moved("Veltrane.asi", "Veltrane.asi.txt"),
         {3}, 1, {"but Veltrane.asi.txt, which no loader loads", "rename it to Veltrane.asi"}},
        {"Veltrane.dll", moved("Veltrane.asi", "Veltrane.dll"),
         {3}, 1, {"but Veltrane.dll, which no loader loads", "rename it to Veltrane.asi"}},
        {"Veltrane.asi.zip", moved("Veltrane.asi", "Veltrane.asi.zip"),
         {3}, 1, {"but Veltrane.asi.zip, still packed", "unpack Veltrane.asi.zip"}},
        {"only a second name", moved("Veltrane.asi", "Veltrane (1).asi"),
         {}, 0, {"note 3 Plugin: no Veltrane.asi here, but Veltrane (1).asi, which a loader loads as well",
                 "rename it to Veltrane.asi"}},
        {"no game here",
         [](const fs::path& game) { fs::remove(game / "RDR2.exe"); fs::remove(game / "ScriptHookRDR2.dll"); },
         {1}, 1, {"FAIL Game: no RDR2.exe here: this is not the game folder", "into the game folder (the one holding RDR2.exe)"}},
        {"the only copy in a loader's subfolder",
         [](const fs::path& game) { copy(VELTRANE_PLUGIN, game / "scripts" / "Veltrane.asi"); fs::remove(game / "Veltrane.asi"); },
         {}, 0, {"note 3 Plugin: no Veltrane.asi here, but scripts\\Veltrane.asi", "the only copy, so it runs once"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path game = base / c.name;
        complete(game);
        c.change(game);
        const auto before = snapshot(game);
        const std::string folder = game.u8string();
        // --details: each folder check on a line of its own, passes too.
        const char* argv[] = {"veltrane-doctor", "--game", folder.c_str(), "--details"};
        std::ostringstream out, err;
        const int status = runDoctor(4, argv, out, err);
        recordDoctorRun(std::vector<std::string>(argv, argv + 4), nullptr, status, out.str(), err.str(), game);
        EXPECT_EQ(status, c.status) << out.str() << err.str();
        EXPECT_EQ(failedChecks(out.str()), c.failing) << out.str();
        for (const std::string& said : c.said) EXPECT_NE(flat(out.str()).find(said), std::string::npos) << said << "\n" << out.str();
        EXPECT_EQ(snapshot(game), before);
    }
    if (!::testing::Test::HasFailure()) fs::remove_all(base);
}

// ---- Scenes: the launchers' records, install and uninstall, the double-click.

// Whether a scene wrote registry values: each reg.exe start costs Wine a moment.
bool recorded = true;  // true at first: a run cut short may have left some

// A registry value as a launcher writes it, through Wine's own reg.exe.
void registry(const std::string& key, const std::string& value, const std::string& data) {
    const std::string command = "reg add \"" + key + "\" /v " + value + " /t REG_SZ /d \"" + data + "\" /f >nul 2>&1";
    recorded = true;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// A value of the Rockstar Games Launcher's key of any type and bytes, NULs and all, as reg.exe
// can't write it.
void rockstarValue(const wchar_t* value, DWORD type, const std::wstring& data) {
    recorded = true;
    const wchar_t* key = L"SOFTWARE\\WOW6432Node\\Rockstar Games\\Red Dead Redemption 2";
    const auto size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, value, type, data.data(), size), ERROR_SUCCESS);
}

void forgetLaunchers() {
    if (!recorded) return;
    recorded = false;
    for (const char* key : {"HKLM\\SOFTWARE\\WOW6432Node\\Rockstar Games", "HKCU\\Software\\Valve",
                            "HKLM\\SOFTWARE\\WOW6432Node\\Valve"})
        std::system((std::string("reg delete \"") + key + "\" /f >nul 2>&1").c_str());
}

const char* kRockstarKey = "HKLM\\SOFTWARE\\WOW6432Node\\Rockstar Games\\Red Dead Redemption 2";


// A Steam library elsewhere than Steam, holding the game.
void steamLibrary(const fs::path& scene, const fs::path& game) {
    const fs::path steam = scene / "Steam", library = scene / "Library";
    write(steam / "steamapps" / "libraryfolders.vdf",
          "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + quotedPath(steam) +
              "\"\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + quotedPath(library) + "\"\n\t}\n}\n");
    write(library / "steamapps" / "appmanifest_1174180.acf",
          "\"AppState\"\n{\n\t\"appid\"\t\t\"1174180\"\n\t\"installdir\"\t\t\"" +
              game.filename().u8string() + "\"\n}\n");
    registry("HKCU\\Software\\Valve\\Steam", "SteamPath", steam.generic_u8string());
}

fs::path epicManifests() {
    const char* data = std::getenv("ProgramData");
    return fs::u8path(data ? data : "C:\\ProgramData") / "Epic" / "EpicGamesLauncher" / "Data" / "Manifests";
}

struct Scene {
    const char* name;
    // Lays out the scene's folders and records under `scene`; the doctor runs in `scene`/Downloads.
    std::function<void(const fs::path& scene)> make;
    std::vector<std::string> args;  // "{scene}" stands for the scene's folder
    const char* answers;            // double-clicked: the player's answers; null: from a prompt
    int status;
    std::vector<std::string> said, unsaid;
    // The files that change: path under the scene, and "plugin" (the package's bytes), "ini"
    // (the default settings file), "was:PATH" (the bytes PATH held before) or "" (removed).
    std::map<std::string, std::string> changes;
    // The report fits this many lines, the first failure among them (0: any; double-clicked, a
    // console's screen).
    std::size_t mostLines = 0;
    // The doctor's .exe at this path under the scene, run on its own; null: run in this test.
    const char* program = nullptr;
};

// ---- The scenes' folders and records, each laid out under the scene's own folder.

// A game folder without the plugin.
void gameWithoutPlugin(const fs::path& folder) {
    complete(folder);
    fs::remove(folder / "Veltrane.asi");
}

// The game where the Rockstar Games Launcher records it.
void rockstarGame(const fs::path& scene) {
    gameWithoutPlugin(scene / "Rockstar");
    registry(kRockstarKey, "InstallFolder", (scene / "Rockstar").u8string());
}

// The game where the Epic Games Launcher records it, beside the manifest of another game.
void epicGame(const fs::path& scene) {
    gameWithoutPlugin(scene / "Epic Games" / "RDR2");
    write(epicManifests() / "0A1B2C.item",
          "{\"FormatVersion\": 0, \"LaunchExecutable\": \"RDR2.exe\", \"InstallLocation\": \"" +
              quotedPath(scene / "Epic Games" / "RDR2") + "\", \"DisplayName\": \"Red Dead Redemption 2\"}");
    write(epicManifests() / "FFFF.item", "{\"LaunchExecutable\": \"Other.exe\", \"InstallLocation\": \"C:\\\\\"}");
}

// The game recorded by the Rockstar Games Launcher's values across their range, each naming it
// otherwise: as an expandable text through a variable, with "/", in other letter case and a
// separator after (the first read: the folder is shown so); with a NUL and more after it; empty.
void rockstarValuesAcrossTheirRange(const fs::path& scene) {
    gameWithoutPlugin(scene / "Rockstar");
    SetEnvironmentVariableW(L"VELTRANE_SCENE", scene.wstring().c_str());
    rockstarValue(L"InstallFolder", REG_EXPAND_SZ, L"%VELTRANE_SCENE%/ROCKSTAR\\");
    rockstarValue(L"InstallFolderSteam", REG_SZ, (scene / "Rockstar").wstring() + std::wstring(L"\0junk\0\0", 8));
    rockstarValue(L"InstallFolderEpic", REG_SZ, L"");
}

// A record of a folder whose path is longer than 260 letters (none is made: this program's file
// functions, as the doctor's, stop at 260), read whole.
void rockstarFolderPastOldLimit(const fs::path& scene) {
    registry(kRockstarKey, "InstallFolder", (scene / std::string(120, 'a') / std::string(120, 'b')).u8string());
}

void rockstarAndEpic(const fs::path& scene) {
    rockstarGame(scene);
    epicGame(scene);
}

// The game where each of the three launchers records one.
void threeInstalls(const fs::path& scene) {
    rockstarAndEpic(scene);
    gameWithoutPlugin(scene / "Library" / "steamapps" / "common" / "Red Dead Redemption 2");
    steamLibrary(scene, scene / "Library" / "steamapps" / "common" / "Red Dead Redemption 2");
}

// The same, with this package's Veltrane.asi in Steam's game folder, or in each.
void threeInstallsOneWithThisPlugin(const fs::path& scene) {
    threeInstalls(scene);
    copy(VELTRANE_PLUGIN, scene / "Library" / "steamapps" / "common" / "Red Dead Redemption 2" / "Veltrane.asi");
}
void threeInstallsEachWithThisPlugin(const fs::path& scene) {
    threeInstallsOneWithThisPlugin(scene);
    copy(VELTRANE_PLUGIN, scene / "Rockstar" / "Veltrane.asi");
    copy(VELTRANE_PLUGIN, scene / "Epic Games" / "RDR2" / "Veltrane.asi");
}

// The Rockstar game with a script hook the game's update stopped, and another Veltrane.asi.
void deadHookAndOldPlugin(const fs::path& scene) {
    rockstarGame(scene);
    write(scene / "Rockstar" / "ScriptHookRDR2.log", "ScriptHookRDR2 1.0.1436.31\r\nFATAL: Unknown game version\r\n");
    copy(VELTRANE_DLL32, scene / "Rockstar" / "Veltrane.asi");
    fs::remove(scene / "Rockstar" / "Veltrane.ini");
}

// A script hook the game's update stopped, and seven values written with a decimal comma.
void refusedVersionAndSevenMistakes(const fs::path& scene) {
    complete(scene / "Game");
    write(scene / "Game" / "ScriptHookRDR2.log", "ScriptHookRDR2 1.0.1436.31\r\nFATAL: Unknown game version\r\n");
    std::string settings = joinLines(defaultSettingsLines()), fixed = settings;
    for (const char* weather : {"Rain", "Snow", "Fog", "Hail", "Sleet", "Misty", "Shower"}) {
        const std::string key = std::string("DamageMod_") + weather + "=1";
        settings.replace(settings.find(key), key.size(), key + ",5");
        fixed.replace(fixed.find(key), key.size(), key + ".5");
    }
    write(scene / "Game" / "Veltrane.ini", settings);
    write(scene / "fixed.ini", fixed);  // what --fix makes of it
}

fs::path packagePlugin();

// As a player meets it after installing: the game found by its record, the plugin in place,
// a script hook the game's update stopped, five values with a decimal comma and two that only
// the player can decide (they stay after the fix).
void recordedGameWithChoicesLeft(const fs::path& scene) {
    rockstarGame(scene);
    const fs::path game = scene / "Rockstar";
    copy(packagePlugin(), game / "Veltrane.asi");
    write(game / "ScriptHookRDR2.log", "ScriptHookRDR2 1.0.1436.31\r\nFATAL: Unknown game version\r\n");
    std::string settings = joinLines(defaultSettingsLines());
    for (const auto& [key, value] : {std::pair<std::string, std::string>{"DamageMod_Hail=1", "DamageMod_Hail=fifty"},
                                     {"Accuracy_Shower=12829", "Accuracy_Shower="}})
        settings.replace(settings.find(key), key.size(), value);
    std::string fixed = settings;
    for (const char* weather : {"Rain", "Snow", "Fog", "Sleet", "Misty"}) {
        const std::string key = std::string("DamageMod_") + weather + "=1";
        settings.replace(settings.find(key), key.size(), key + ",5");
        fixed.replace(fixed.find(key), key.size(), key + ".5");
    }
    write(game / "Veltrane.ini", settings);
    write(scene / "fixed.ini", fixed);  // what --fix makes of it: the two choices left as they are
}

// The same with an old script hook and no ASI loader besides.
void threeFailuresAndSevenMistakes(const fs::path& scene) {
    refusedVersionAndSevenMistakes(scene);
    copy(VELTRANE_HOST_LACKING, scene / "Game" / "ScriptHookRDR2.dll");
    fs::remove(scene / "Game" / "dinput8.dll");
}

// A game folder that no launcher records.
void unrecordedGame(const fs::path& scene) { gameWithoutPlugin(scene / "Game"); }

// The same with the plugin in place, a script hook the game's update stopped, and values in
// five weathers: the full report would fill the screen below the questions.
void unrecordedGameWithItsOwnValues(const fs::path& scene) {
    gameWithoutPlugin(scene / "Game");
    copy(packagePlugin(), scene / "Game" / "Veltrane.asi");
    write(scene / "Game" / "ScriptHookRDR2.log", "ScriptHookRDR2 1.0.1436.31\r\nFATAL: Unknown game version\r\n");
    std::string settings = joinLines(defaultSettingsLines());
    for (const auto& [key, value] : {std::pair<std::string, std::string>{"Accuracy_Fog=12829", "Accuracy_Fog="},
                                     {"Accuracy_Rain=12829", "Accuracy_Rain=35"}, {"DamageMod_Rain=1", "DamageMod_Rain=0.5"},
                                     {"DamageMod_Snow=1", "DamageMod_Snow=1.5"}, {"Accuracy_Sunny=12829", "Accuracy_Sunny=35"}})
        settings.replace(settings.find(key), key.size(), value);
    write(scene / "Game" / "Veltrane.ini", settings);
}

// Four failures: an old script hook, no loader, the plugin and the settings file misnamed.
void fourFailures(const fs::path& scene) {
    complete(scene / "Game");
    copy(VELTRANE_HOST_LACKING, scene / "Game" / "ScriptHookRDR2.dll");
    fs::remove(scene / "Game" / "dinput8.dll");
    fs::rename(scene / "Game" / "Veltrane.asi", scene / "Game" / "Veltrane (1).asi");
    fs::rename(scene / "Game" / "Veltrane.ini", scene / "Game" / "Veltrane.ini.txt");
}

void misnamedSettings(const fs::path& scene) {
    complete(scene / "Game");
    fs::remove(scene / "Game" / "dinput8.dll");
    fs::rename(scene / "Game" / "Veltrane.ini", scene / "Game" / "Veltrane.ini.txt");
}

// The Veltrane.asi of the package: beside the doctor, which here is this test.
fs::path packagePlugin() { return fs::u8path(programFolder()) / "Veltrane.asi"; }

std::vector<Scene> scenes() {
    return {
        {"four failures on one screen", fourFailures, {"--game", "{scene}\\Game"}, nullptr, 1,
         {"FAIL 1 Script hook: ScriptHookRDR2.dll lacks " VELTRANE_HOST_LACKS, "FAIL 2 ASI loader",
          "note 3 Plugin: Veltrane (1).asi here", "FAIL 5 Settings file", "Fix: rename it to Veltrane.ini"},
         {}, {}, 29},
        {"double-click beside Veltrane.ini.txt, rename", misnamedSettings, {"--game", "{scene}\\Game"}, "y\n", 1,
         {"Rename Veltrane.ini.txt to Veltrane.ini now? [y/N]", "Renamed Veltrane.ini.txt to Veltrane.ini.",
          "Still wrong in the game folder: ASI loader (see above)."},
         {"Write the default settings file now?"},
         {{"Game/Veltrane.ini", "was:Game/Veltrane.ini.txt"}, {"Game/Veltrane.ini.txt", ""}}},
        {"double-click beside Veltrane.ini.txt, declined", misnamedSettings, {"--game", "{scene}\\Game"}, "n\n", 1,
         {"Rename Veltrane.ini.txt to Veltrane.ini now?", "Still wrong in the game folder: ASI loader, Settings file"},
         {"Write the default settings file now?"}, {}},
        {"double-click beside edits in Veltrane.ini.txt, taken in",
         [](const fs::path& scene) {
             complete(scene / "Game");
             std::string edited = joinLines(defaultSettingsLines());
             edited.replace(edited.find("DamageMod_Rain=1"), 16, "DamageMod_Rain=0.5");
             write(scene / "Game" / "Veltrane.ini.txt", edited);
         },
         {"--game", "{scene}\\Game"}, "y\n", 0,
         {"Keep Veltrane.ini as Veltrane.ini.bak and rename Veltrane.ini.txt to Veltrane.ini now? [y/N]",
          "Veltrane.ini.txt is now Veltrane.ini.", "No warnings"},
         {"Still wrong"},
         {{"Game/Veltrane.ini", "was:Game/Veltrane.ini.txt"}, {"Game/Veltrane.ini.txt", ""},
          {"Game/Veltrane.ini.bak", "was:Game/Veltrane.ini"}}, 29},
        {"no launcher's records, package in Downloads",
         [](const fs::path& scene) { copy(VELTRANE_PLUGIN, scene / "Downloads" / "Veltrane.asi"); }, {}, nullptr, 1,
         {"Downloads holds no RDR2.exe: it is not the game folder", "No game folder in the launchers' records"},
         {"into this folder", "FAIL"}, {}},
        {"Rockstar Games Launcher", rockstarGame, {}, nullptr, 1,
         {"The game is in {scene}\\Rockstar (Rockstar Games Launcher): checked below",
          "Game folder {scene}\\Rockstar", "FAIL 3 Plugin: no Veltrane.asi here", "or let the doctor do it: veltrane-doctor --install",
          "ok Script hook, ASI loader, Write access, Settings file", "settings file {scene}\\Rockstar\\Veltrane.ini"},
         {"FAIL 1", "FAIL 2"}, {}},
        {"Rockstar Games Launcher's values across their range", rockstarValuesAcrossTheirRange, {}, nullptr, 1,
         {"The game is in {scene}\\ROCKSTAR (Rockstar Games Launcher): checked below"}, {"which holds no", "junk"}, {}},
        {"Rockstar Games Launcher's folder past 260 letters", rockstarFolderPastOldLimit, {}, nullptr, 1,
         {"InstallFolder names {scene}\\" + std::string(120, 'a') + "\\" + std::string(120, 'b') + ", which holds no"},
         {}, {}},
        {"Steam library elsewhere than Steam",
         [](const fs::path& scene) {
             gameWithoutPlugin(scene / "Library" / "steamapps" / "common" / "Red Dead Redemption 2");
             steamLibrary(scene, scene / "Library" / "steamapps" / "common" / "Red Dead Redemption 2");
         },
         {}, nullptr, 1,
         {"The game is in {scene}\\Library\\steamapps\\common\\Red Dead Redemption 2 (Steam)"}, {"damaged"}, {}},
        {"Epic Games Launcher", epicGame, {}, nullptr, 1,
         {"The game is in {scene}\\Epic Games\\RDR2 (Epic Games Launcher)"}, {}, {}},
        {"two installs", rockstarAndEpic, {}, nullptr, 1,
         {"The launchers' records name 2 game folders, each checked below", "{scene}\\Rockstar (Rockstar Games Launcher)",
          "{scene}\\Epic Games\\RDR2 (Epic Games Launcher)", "Game folder {scene}\\Epic Games\\RDR2",
          "Check one folder's settings file with veltrane-doctor --game \"{scene}\\Rockstar\""},
         {}, {}},
        {"--fix with two installs recorded", rockstarAndEpic, {"--fix"},
         nullptr, 2, {"Nothing written", "the launchers' records name 2; choose one", "--fix --game"}, {"Fixed"}, {}},
        {"damaged libraryfolders.vdf",
         [](const fs::path& scene) {
             steamLibrary(scene, scene / "Library" / "steamapps" / "common" / "RDR2");
             write(scene / "Steam" / "steamapps" / "libraryfolders.vdf", "\"libraryfolders\"\n{\n\t\"1\"\n\t{\n\t\t\"path\"");
         },
         {}, nullptr, 1,
         {"note Steam's {scene}\\Steam\\steamapps\\libraryfolders.vdf is damaged", "No game folder in the launchers' records"},
         {}, {}},
        {"double-click in the package, install", rockstarGame, {}, "y\n", 0,
         {"Install Veltrane.asi into {scene}\\Rockstar? [y/N]", "Wrote {scene}\\Rockstar\\Veltrane.asi (version",
          "ok Script hook, ASI loader, Plugin"},
         {"FAIL"}, {{"Rockstar/Veltrane.asi", "plugin"}}},
        {"double-click in the package, declined", rockstarGame, {}, "n\n", 1, {"Install Veltrane.asi into"}, {"Wrote"},
         {}},
        // Steam's game fails under Wine (its launch options load Wine's own dinput8.dll), the others pass.
        {"3 games, y y y", threeInstalls, {}, "y\ny\ny\n", 0,
         {"each asked about below", "Install Veltrane.asi into {scene}\\Rockstar? [y/N]",
          "Install Veltrane.asi into {scene}\\Library\\steamapps\\common\\Red Dead Redemption 2? [y/N]",
          "Install Veltrane.asi into {scene}\\Epic Games\\RDR2? [y/N]", "Wrote {scene}\\Rockstar\\Veltrane.asi",
          "Wrote {scene}\\Library\\steamapps\\common\\Red Dead Redemption 2\\Veltrane.asi",
          "Wrote {scene}\\Epic Games\\RDR2\\Veltrane.asi"},
         {"FAIL 3"},
         {{"Rockstar/Veltrane.asi", "plugin"}, {"Library/steamapps/common/Red Dead Redemption 2/Veltrane.asi",
          "plugin"},
          {"Epic Games/RDR2/Veltrane.asi", "plugin"}}, 29},
        // The settings file to check is the one beside the plugin just installed.
        {"3 games, n y n", threeInstalls, {}, "n\n YES\nNo\n", 1,
         {"Install Veltrane.asi into {scene}\\Rockstar? [y/N]",
          "Wrote {scene}\\Library\\steamapps\\common\\Red Dead Redemption 2\\Veltrane.asi",
          "Install Veltrane.asi into {scene}\\Epic Games\\RDR2? [y/N]",
          "Check one folder's settings file with veltrane-doctor --game "
          "\"{scene}\\Library\\steamapps\\common\\Red Dead Redemption 2\""},
         {"Wrote {scene}\\Rockstar", "Wrote {scene}\\Epic Games\\RDR2"},
         {{"Library/steamapps/common/Red Dead Redemption 2/Veltrane.asi", "plugin"}}, 29},
        // A game that has this package's plugin is checked, not asked about, and the words say so.
        {"3 games, Steam's with this plugin, n n", threeInstallsOneWithThisPlugin, {}, "n\nn\n", 1,
         {"The launchers' records name 3 game folders, 2 without this Veltrane.asi, asked about below, and 1 with it, "
          "checked below.",
          "Install Veltrane.asi into {scene}\\Epic Games\\RDR2? [y/N]",
          "Game folder {scene}\\Library\\steamapps\\common\\Red Dead Redemption 2",
          "Check one folder's settings file with veltrane-doctor --game "
          "\"{scene}\\Library\\steamapps\\common\\Red Dead Redemption 2\""},
         {"each asked about", "Install Veltrane.asi into {scene}\\Library"}, {}, 29},
        {"3 games, each with this plugin", threeInstallsEachWithThisPlugin, {}, "", 0,
         {"The launchers' records name 3 game folders, each checked below:", "Game folder {scene}\\Epic Games\\RDR2"},
         {"asked about", "[y/N]"}, {}, 29},
        {"3 games, n n n", threeInstalls, {}, "n\nn\nn\n", 1,
         {"Install Veltrane.asi into {scene}\\Rockstar? [y/N]",
          "Install Veltrane.asi into {scene}\\Epic Games\\RDR2? [y/N]"}, {"Wrote"}, {}, 29},
        {"input closed", rockstarGame, {}, "", 1,
         {"Install Veltrane.asi into {scene}\\Rockstar? [y/N]",
          "Still wrong in the game folder: Plugin"}, {"Wrote"}, {}, 29},
        {"an answer asked again", rockstarGame, {}, "maybe\nja\n", 1,
         {"[y/N] Please answer y or n: Taken as no."}, {"Wrote"}, {}, 29},
        {"dead script hook, told before the question", deadHookAndOldPlugin, {}, "y\n", 1,
         {"FAIL 6 Log: ScriptHookRDR2.log", "The Veltrane.asi there, of no version, is kept as Veltrane.asi.bak.",
          "It writes Veltrane.ini too (the default settings): there is none.",
          "Install Veltrane.asi into {scene}\\Rockstar?",
          "Wrote {scene}\\Rockstar\\Veltrane.asi"},
         {}, {{"Rockstar/Veltrane.asi", "plugin"}, {"Rockstar/Veltrane.asi.bak", "was:Rockstar/Veltrane.asi"},
              {"Rockstar/Veltrane.ini", "ini"}}, 29},
        {"7 mistakes, n", refusedVersionAndSevenMistakes, {"--game", "{scene}\\Game"}, "n\n", 1,
         {"FAIL 6 Log: ScriptHookRDR2.log", "7 warnings:", "Fix these 7 lines now?"}, {"Fixed"}, {}, 29},
        {"7 mistakes, y", refusedVersionAndSevenMistakes, {"--game", "{scene}\\Game"}, "y\n", 1,
         {"FAIL 6 Log: ScriptHookRDR2.log", "Fixed Veltrane.ini (the original is kept as Veltrane.ini.bak)"}, {},
         {{"Game/Veltrane.ini.bak", "was:Game/Veltrane.ini"}, {"Game/Veltrane.ini", "was:fixed.ini"}}, 29},
        {"found by its record, 5 mistakes and 2 choices, y", recordedGameWithChoicesLeft, {}, "y\n", 1,
         {"FAIL 6 Log: ScriptHookRDR2.log", "Fixed Veltrane.ini (the original is kept as Veltrane.ini.bak)",
          "Still wrong in the game folder: Log"},
         {}, {{"Rockstar/Veltrane.ini.bak", "was:Rockstar/Veltrane.ini"}, {"Rockstar/Veltrane.ini", "was:fixed.ini"}}, 29},
        {"3 failures, 7 mistakes, y", threeFailuresAndSevenMistakes, {"--game", "{scene}\\Game"}, "y\n", 1,
         {"FAIL 1 Script hook", "Fixed Veltrane.ini (the original is kept as Veltrane.ini.bak)",
          "and 6 more lines (see the backup)",
          "Still wrong in the game folder: Script hook, ASI loader, Log"},
         {}, {{"Game/Veltrane.ini.bak", "was:Game/Veltrane.ini"}, {"Game/Veltrane.ini", "was:fixed.ini"}}},
        {"no records, the folder pasted", unrecordedGame, {}, "{scene}\\Game\nn\n", 1,
         {"Where is the game?", "The game is in {scene}\\Game (the folder you gave): checked below."},
         {"Wrote"}, {}, 29},
        {"no records, dragged in", unrecordedGame, {}, "\"{scene}\\Game\\\"\ny\n", 0,
         {"The game is in {scene}\\Game (the folder you gave)", "Wrote {scene}\\Game\\Veltrane.asi"},
         {"That folder holds no", "There is no folder"}, {{"Game/Veltrane.asi", "plugin"}}, 29},
        {"no records, RDR2.exe's path", unrecordedGame, {}, "{scene}\\Game\\RDR2.exe\nn\n", 1,
         {"The game is in {scene}\\Game (the folder you gave)"}, {"Wrote"}, {}, 29},
        {"no records, two misses, then RDR2.exe's path, quoted", unrecordedGameWithItsOwnValues, {},
         "D:\\Games\\nothing\n{scene}\n\"{scene}\\Game\\RDR2.exe\"\n", 1,
         {"There is no folder D:\\Games\\nothing.", "That folder holds no RDR2.exe.", "FAIL 6 Log", "Accuracy_Fog",
          "Still wrong in the game folder: Log (see above)."},
         {"Wrote"}, {}, 29},
        {"no records, wrong three times", unrecordedGame, {}, "D:\\Games\n{scene}\nmaybe\nn\n", 1,
         {"There is no folder D:\\Games. The game folder:", "That folder holds no RDR2.exe. The game folder:",
          "name it with --game DIR"},
         {"The game is in", "Wrote"}, {}, 29},
        {"install into a folder without the script hook",
         [](const fs::path& scene) {
             write(scene / "Game" / "RDR2.exe", readFile(VELTRANE_GAME));
         },
         {"--install", "{scene}\\Game"}, nullptr, 1,
         {"Wrote {scene}\\Game\\Veltrane.asi", "Wrote {scene}\\Game\\Veltrane.ini (the default settings)",
          "FAIL 1 Script hook", "FAIL 2 ASI loader", "are not part of this package",
          "they come from the script hook author's page"},
         {}, {{"Game/Veltrane.asi", "plugin"}, {"Game/Veltrane.ini", "ini"}}},
        {"reinstall over another Veltrane.asi",
         [](const fs::path& scene) {
             complete(scene / "Game");
             copy(VELTRANE_DLL32, scene / "Game" / "Veltrane.asi");
             write(scene / "Game" / "Veltrane.asi.bak", "an earlier backup");
         },
         {"--install", "{scene}\\Game"}, nullptr, 0,
         {"Wrote {scene}\\Game\\Veltrane.asi", "{scene}\\Game\\Veltrane.asi.2.bak (the Veltrane.asi that was there"},
         {"FAIL"}, {{"Game/Veltrane.asi", "plugin"}, {"Game/Veltrane.asi.2.bak", "was:Game/Veltrane.asi"}}},
        {"install again, nothing to copy",
         [](const fs::path& scene) { complete(scene / "Game"); }, {"--install", "{scene}\\Game"}, nullptr, 0,
         {"is this package's already: nothing to copy"}, {"Wrote"}, {}},
        {"install into a folder without the game",
         [](const fs::path& scene) { write(scene / "Game" / "readme.txt", "x"); },
         {"--install", "{scene}\\Game"}, nullptr, 2, {"holds no RDR2.exe: it is not the game folder"}, {"Wrote"}, {}},
        {"install found through the records", rockstarGame, {"--install"}, nullptr, 0,
         {"Wrote {scene}\\Rockstar\\Veltrane.asi"}, {}, {{"Rockstar/Veltrane.asi", "plugin"}}},
        {"install with two installs recorded", rockstarAndEpic,
         {"--install"}, nullptr, 2, {"2 game folders; name the one you mean"}, {"Wrote"}, {}},
        {"uninstall",
         [](const fs::path& scene) { complete(scene / "Game"); }, {"--uninstall", "{scene}\\Game"}, nullptr, 0,
         {"Removed {scene}\\Game\\Veltrane.asi", "Veltrane.ini is yours and stays"}, {}, {{"Game/Veltrane.asi", ""}}},
        {"uninstall from a folder that does not exist", [](const fs::path&) {}, {"--uninstall", "{scene}\\Nowhere"},
         nullptr, 2, {"Nothing changed: {scene}\\Nowhere does not exist"}, {}, {}},
        // cmd's "{scene}\Game\" arrives so: the backslash escapes the closing quote.
        {"uninstall with the closing quote escaped",
         [](const fs::path& scene) { complete(scene / "Game"); }, {"--uninstall", "{scene}\\Game\""}, nullptr, 0,
         {"Removed {scene}\\Game\\Veltrane.asi"}, {"nothing to remove"}, {{"Game/Veltrane.asi", ""}}},
        {"uninstall names the backups an install kept",
         [](const fs::path& scene) {
             complete(scene / "Game");
             write(scene / "Game" / "Veltrane.asi.bak", "an earlier plugin");
             write(scene / "Game" / "Veltrane.asi.2.bak", "a still earlier plugin");
         },
         {"--uninstall", "{scene}\\Game"}, nullptr, 0,
         {"Removed {scene}\\Game\\Veltrane.asi", "Veltrane.asi.2.bak, Veltrane.asi.bak are earlier Veltrane.asi files "
          "that an install kept: left here; delete them, or rename one to Veltrane.asi to restore it"},
         {}, {{"Game/Veltrane.asi", ""}}},
        // The doctor copied into the game folder, where an older Veltrane.asi is: no package beside it.
        {"uninstall by the doctor in the game folder leaves an older plugin",
         [](const fs::path&) { fs::remove(packagePlugin()), copy(VELTRANE_DLL32, packagePlugin()); },
         {"--uninstall", programFolder()},
         nullptr, 1,
         {"Veltrane.asi is of no version, not this doctor's"}, {"Removed"}, {}},
        {"opened inside the zip",
         [](const fs::path& scene) {
             gameWithoutPlugin(scene / "Game");
             copy(VELTRANE_DOCTOR, scene / "Temp1_Veltrane-0.3.0.zip" / "veltrane-doctor.exe");
         },
         {"--game", "{scene}\\Game"}, nullptr, 1,
         {"FAIL 3 Plugin: no Veltrane.asi here", "unpack the whole zip first (right-click it, Extract All)"},
         {"--install"}, {}, 0, "Temp1_Veltrane-0.3.0.zip/veltrane-doctor.exe"},
        {"uninstall leaves another plugin",
         [](const fs::path& scene) { complete(scene / "Game"); copy(VELTRANE_DLL32, scene / "Game" / "Veltrane.asi"); },
         {"--uninstall", "{scene}\\Game"}, nullptr, 1, {"is not this package's Veltrane.asi", "left as it is"},
         {"Removed"}, {}},
    };
}

// No launcher's records, for the next scene.
void forgetRecords() {
    forgetLaunchers();
    fs::remove_all(epicManifests());
}

// `text` with "{scene}" standing for the scene's folder `root`.
std::string placed(std::string text, const fs::path& root) {
    for (std::size_t at; (at = text.find("{scene}")) != std::string::npos;) text.replace(at, 7, root.u8string());
    return text;
}

struct SceneRun {
    int status;
    std::string out, err;
    std::string screen;  // double-clicked: `out` with the player's answers echoed where they were typed
};

// The player's answers as the console gives them, a line at a time; each is echoed into the
// screen's text at the point where the doctor read it, ended by the player's Enter.
class EchoedAnswers : public std::streambuf {
public:
    EchoedAnswers(std::string answers, const std::ostringstream& written) : typed(std::move(answers)), out(written) {}

    std::string screen() const {
        std::string shown = out.str();
        for (auto echo = echoes.rbegin(); echo != echoes.rend(); ++echo) shown.insert(echo->first, echo->second);
        return shown;
    }

private:
    int_type underflow() override {
        if (next >= typed.size()) return traits_type::eof();
        const std::size_t end = std::min(typed.find('\n', next), typed.size() - 1) + 1;
        line = typed.substr(next, end - next), next = end;
        echoes.emplace_back(out.str().size(), line.back() == '\n' ? line : line + "\n");
        setg(line.data(), line.data(), line.data() + line.size());
        return traits_type::to_int_type(line.front());
    }

    std::string typed, line;
    std::size_t next = 0;
    const std::ostringstream& out;
    std::vector<std::pair<std::size_t, std::string>> echoes;  // where in `out`, what
};

// The doctor run as the scene says, from the scene's Downloads folder, and held for the golden file.
SceneRun runScene(const Scene& scene, const fs::path& root) {
    std::vector<std::string> args{"veltrane-doctor"};
    for (const std::string& arg : scene.args) args.push_back(placed(arg, root));
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    std::ostringstream out, err;
    EchoedAnswers typed(placed(scene.answers ? scene.answers : "", root), out);
    std::istream answers(&typed);
    const fs::path previous = fs::current_path();
    fs::current_path(root / "Downloads");
    int status = 0;
    if (scene.program) {
        std::string command = "\"" + (root / scene.program).make_preferred().u8string() + "\"";
        for (std::size_t i = 1; i < args.size(); ++i) command += " \"" + args[i] + "\"";
        status = std::system(("\"" + command + " >..\\out.txt 2>..\\err.txt\"").c_str());
        for (const char* file : {"out.txt", "err.txt"}) {
            std::string text = readFile(root / file);
            text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());  // cmd's line ends
            (file[0] == 'o' ? out : err) << text;
        }
        fs::remove(root / "out.txt"), fs::remove(root / "err.txt");
    } else {
        status =
            runDoctor(static_cast<int>(argv.size()), argv.data(), out, err, scene.answers ? &answers : nullptr);
    }
    fs::current_path(previous);
    recordDoctorRun(args, scene.answers, status, out.str(), err.str(), root);
    return {status, out.str(), err.str(), typed.screen()};
}

// The exit status, the report's length, and what it says and doesn't.
void expectReport(const Scene& scene, const SceneRun& run, const fs::path& root) {
    const std::string said = flat(run.out + run.err);
    EXPECT_EQ(run.status, scene.status) << said;
    const std::size_t mostLines = scene.mostLines ? scene.mostLines : scene.answers ? kScreenLines : 0;
    if (mostLines) {
        const std::string& text = scene.answers ? run.screen : run.out;
        // Double-clicked, in the console's rows; from a prompt, in lines.
        const auto rows = [&](const std::string& part) {
            const auto lines = static_cast<std::size_t>(std::count(part.begin(), part.end(), '\n'));
            return scene.answers ? consoleRows(part) : lines;
        };
        EXPECT_LE(rows(text), mostLines) << text;
        // The first failure and the last question are on the screen too.
        const std::size_t failure = text.find("FAIL"), question = text.rfind("[y/N]");
        for (const std::size_t at : {failure, question})
            EXPECT_LE(rows(text.substr(0, std::min(at, text.size()))), mostLines) << text;
        EXPECT_TRUE(scene.answers || text.rfind("Game folder", 0) == 0) << text;
    }
    for (const std::string& text : scene.said)
        EXPECT_NE(said.find(placed(text, root)), std::string::npos) << placed(text, root) << "\n" << said;
    for (const std::string& text : scene.unsaid)
        EXPECT_EQ(said.find(placed(text, root)), std::string::npos) << text << "\n" << said;
}

// The files of the scene's folder after the run: those before with the scene's changes.
std::map<std::string, std::string> expectedAfter(const Scene& scene, const std::map<std::string, std::string>& before,
                                                 const std::string& plugin, const std::string& defaults) {
    auto expected = before;
    for (const auto& [path, what] : scene.changes) {
        const std::string key = fs::u8path(path).make_preferred().u8string();
        if (what.empty()) expected.erase(key);
        else if (what == "plugin") expected[key] = plugin;
        else if (what == "ini") expected[key] = defaults;
        else expected[key] = before.at(fs::u8path(what.substr(4)).make_preferred().u8string());
    }
    return expected;
}

// Every file expected, with its bytes, and no other.
void expectFiles(const std::map<std::string, std::string>& after, const std::map<std::string, std::string>& expected) {
    EXPECT_EQ(after.size(), expected.size());
    for (const auto& [path, bytes] : expected) {
        const auto found = after.find(path);
        if (found == after.end()) ADD_FAILURE() << path << " is missing";
        else EXPECT_TRUE(found->second == bytes) << path << " differs";
    }
    for (const auto& [path, bytes] : after)
        if (!expected.count(path)) ADD_FAILURE() << path << " was written";
}

// The default settings file's bytes as the plugin writes them, made in `base`.
std::string defaultSettings(const fs::path& base) {
    fs::create_directories(base / "defaults");
    SettingsFile file;
    file.setPath((base / "defaults" / "Veltrane.ini").string());
    file.writeDefaults();
    return readFile(base / "defaults" / "Veltrane.ini");
}

TEST(DoctorScenes, FindsTheGameInstallsAndUninstalls) {
    const fs::path base = fs::temp_directory_path() / "veltrane-doctor-scenes";
    fs::remove_all(base);
    const std::string plugin = readFile(VELTRANE_PLUGIN);
    const std::string defaults = defaultSettings(base);
    for (const Scene& scene : scenes()) {
        SCOPED_TRACE(scene.name);
        // The package as unpacked: the doctor's own folder holds the Veltrane.asi it installs,
        // put there anew for each scene (a scene may put another file there).
        fs::remove(packagePlugin());
        copy(VELTRANE_PLUGIN, packagePlugin());
        const fs::path root = base / scene.name;
        forgetRecords();
        fs::create_directories(root / "Downloads");
        scene.make(root);
        const auto before = snapshot(root);
        expectReport(scene, runScene(scene, root), root);
        expectFiles(snapshot(root), expectedAfter(scene, before, plugin, defaults));
    }
    forgetRecords();
    fs::remove(packagePlugin());
    if (!::testing::Test::HasFailure()) fs::remove_all(base);
}

}  // namespace
