#include "doctor/cli/doctor_cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "doctor/os/os.h"
#include "doctor/os/player_files.h"
#include "doctor/folder/game_finder.h"
#include "doctor/folder/game_folder_check.h"
#include "doctor/install/plugin_install.h"
#include "doctor/settings/report.h"
#include "doctor/cli/screen_rows.h"
#include "doctor/cli/settings_doctor.h"
#include "platform/profile_text.h"
#include "settings/settings_file.h"
#include "settings/weather_table.h"

namespace {

struct Place {
    std::string folder;  // empty: the current one
    std::string name;
};

Place splitPath(const std::string& path) {
    std::size_t at = path.size();
    while (at > 0 && !isPathSeparator(path[at - 1])) --at;
    Place place{path.substr(0, at), path.substr(at)};
    return place;
}

// A game folder for the player to put their own in place of, as this system writes a path.
std::string exampleGameFolder() {
    return isPathSeparator('\\') ? "D:\\Games\\Red Dead Redemption 2" : "/path/to/Red Dead Redemption 2";
}

// The package's plugin: the Veltrane.asi beside the doctor.
std::string packagePlugin() { return (std::filesystem::u8path(programFolder()) / kPluginFile).u8string(); }

// The game folder an --install or --uninstall without DIR means: the current folder when it
// holds the game, else the one folder the launchers' records name. Empty, with the reason told,
// when there is none or more than one.
std::string oneGameFolder(const std::string& option, std::ostream& err) {
    const std::string here = absoluteFolder("");
    if (holdsGameFile(here)) return here;
    const FoundGames found = findGameFolders(readLauncherRecords());
    if (found.games.size() == 1) return found.games.front().folder;
    if (found.games.empty()) {
        err << "Nothing changed: no game folder here or in the launchers' records. Name it: "
            << doctorCommand(option, exampleGameFolder()) << " (the folder holding RDR2.exe).\n";
    } else {
        err << "Nothing changed: " << found.games.size() << " game folders; name the one you mean:\n";
        for (const FoundGame& game : found.games)
            err << "  " << doctorCommand(option, game.folder) << "  (" << game.launchers << ")\n";
    }
    return {};
}

// After an install, or when the doctor checked a folder: the pieces that are not ours to ship.
void whatIsNotOurs(std::ostream& out, const GameFolderCheck& check) {
    const bool hookOrLoader = std::any_of(check.findings.begin(), check.findings.end(), [](const FolderFinding& f) {
        return f.verdict == Verdict::Fail && (f.check == FolderCheckId::ScriptHook || f.check == FolderCheckId::Loader);
    });
    if (hookOrLoader)
        say(out, "The script hook (ScriptHookRDR2.dll) and its ASI loader (dinput8.dll) are not part of this package: "
                 "they come from the script hook author's page, for the game's version.");
}

// --install and --uninstall: the change, every file it wrote, then the folder's check; `brief`,
// when the folder's failures were shown already or several folders share the screen: only what
// is still wrong, in a line.
int changeGameFolder(bool install, std::string folder, std::ostream& out, std::ostream& err,
                     const ReportOptions& report, bool brief = false) {
    const std::string option = install ? "--install" : "--uninstall";
    if (folder.empty()) folder = oneGameFolder(option, err);
    if (folder.empty()) return 2;
    folder = absoluteFolder(folder);
    const FolderChange change = install ? installPlugin(packagePlugin(), folder, VELTRANE_VERSION)
                                        : uninstallPlugin(packagePlugin(), folder, VELTRANE_VERSION);
    if (!change.refusal.empty()) {
        err << "Nothing changed: " << change.refusal << ".\n";
        return 2;
    }
    for (const std::string& file : change.written) say(out, file, "  ", install ? "Wrote " : "Removed ");
    for (const std::string& told : change.told) say(out, told + ".", "  ");
    if (!install) return change.otherLeft ? 1 : 0;
    const GameFolderCheck check = checkGameFolder(folder, true, VELTRANE_VERSION);
    if (!brief) out << "\n", printGameFolder(out, check, report.quiet, report.details);
    else if (check.failures() > 0)
        out << "Still wrong in the game folder: " << check.failedChecks() << " (see above).\n";
    whatIsNotOurs(out, check);
    return check.failures() > 0 ? 1 : 0;
}

int checkFoundGames(DoctorOptions options, bool pathGiven, const std::string& standing, FoundGames found,
                    std::ostream& out, std::ostream& err, std::istream* answers);

// Checks the game folder, then the settings file. Run from a folder without the game (the
// unpacked package, Downloads), it says so first and checks the game folders that the
// launchers' records name instead.
int checkAll(DoctorOptions options, bool pathGiven, std::ostream& out, std::ostream& err, std::istream* answers,
             bool folderShown = false) {
    if (!options.game.empty() && !pathGiven) {
        const bool windowsPath = options.game.find('\\') != std::string::npos;
        options.path = options.game + (isPathSeparator(options.game.back()) ? "" : windowsPath ? "\\" : "/") +
                       kSettingsFileBareName;
    }
    // The plugin reads its file from the game folder by a relative name; so does the doctor.
    const Place place = splitPath(options.path);
    const std::string gameFolder = absoluteFolder(options.game.empty() ? place.folder : options.game);
    if (options.game.empty()) {
        const std::string standing = answers && !pathGiven ? absoluteFolder(programFolder()) : gameFolder;
        if (!holdsGameFile(standing)) {
            const FoundGames found = findGameFolders(readLauncherRecords());
            // A path named is checked where it is; without one, this folder is not the game's.
            if (!pathGiven || looksLikeGameFolder(standing) || !found.games.empty() || !found.notes.empty())
                return checkFoundGames(options, pathGiven, standing, found, out, err, answers);
        }
    }
    FolderVisit visit;
    if (!place.folder.empty() && !visit.enter(place.folder)) {
        err << options.path << ": the folder " << place.folder
            << " does not exist or can't be opened, so there is no settings file to read"
            << (options.writeDefaults || options.fix ? " or write" : "") << ".\n";
        return 2;
    }
    const std::optional<std::string> name = profileFileName(place.name);
    if (place.name.empty() || !name) {
        err << options.path << ": "
            << (place.name.empty() ? std::string("a folder, not a file")
                                   : "the file name holds letters the settings functions can't spell; the plugin "
                                     "reads only " + std::string(kSettingsFileBareName))
            << ".\n";
        return 2;
    }
    // The game folder first: what keeps the plugin from loading matters before what it reads.
    const std::string checked = answers && !pathGiven && options.game.empty() ? programFolder() : gameFolder;
    GameFolderCheck game = checkGameFolder(checked, !options.game.empty(), VELTRANE_VERSION);
    if (!folderShown) printGameFolder(out, game, options.report.quiet, options.report.details);
    // Double-clicked beside the player's file under a name the plugin never reads: the rename
    // is offered, never a default file beside it.
    std::istream* asking = answers;
    const bool settingsHere = absoluteFolder(checked) == currentFolder();
    if (answers && settingsHere && !game.settingsNearName.empty()) {
        const std::filesystem::path folder = std::filesystem::u8path(currentFolder());
        if (ask(*answers, out, "Rename " + game.settingsNearName + " to " + kSettingsFileBareName + " now?")) {
            std::error_code error;
            std::filesystem::rename(folder / std::filesystem::u8path(game.settingsNearName),
                                    folder / kSettingsFileBareName, error);
            if (error) err << "Could not rename " << game.settingsNearName << ": " << error.message() << ".\n";
            else out << "Renamed " << game.settingsNearName << " to " << kSettingsFileBareName << ".\n";
        } else {
            asking = nullptr;
        }
    }
    const int status = doctorSettingsFile(options, profilePath(*name), out, err, asking);
    // What the questions did not mend stays in view at the end.
    if (answers && game.looksLikeGame) {
        game = checkGameFolder(checked, !options.game.empty(), VELTRANE_VERSION);
        if (game.failures() > 0) out << "Still wrong in the game folder: " << game.failedChecks() << " (see above).\n";
    }
    return std::max(status, game.failures() > 0 ? 1 : 0);
}

// What the player typed or dragged in for the game folder: the folder, or RDR2.exe's path, in
// quotes or not, with a closing separator or not; the folder it names.
std::string typedFolder(std::string typed) {
    if (typed.size() >= 2 && typed.front() == '"' && typed.back() == '"') typed = typed.substr(1, typed.size() - 2);
    while (typed.size() > 1 && isPathSeparator(typed.back()) && typed[typed.size() - 2] != ':') typed.pop_back();
    const Place place = splitPath(typed);
    return profile_text::lowerAscii(place.name) == "rdr2.exe" ? place.folder : typed;
}

// Double-clicked with no game found: the folder asked for, at most three times; each miss is
// told as what it is, no such folder or a folder without the game.
std::string askGameFolder(std::istream& answers, std::ostream& out) {
    std::string question = "Where is the game? Paste or drag in its folder (or RDR2.exe), then press Enter:";
    for (int round = 0; round < 3 && answers; ++round) {
        const std::string folder = typedFolder(readAnswer(answers, out, question));
        if (folder.empty()) break;
        if (holdsGameFile(folder)) return absoluteFolder(folder);
        std::error_code error;
        question = (std::filesystem::is_directory(std::filesystem::u8path(folder), error)
                        ? "That folder holds no RDR2.exe."
                        : "There is no folder " + folder + ".") +
                   " The game folder:";
    }
    return {};
}

// Double-clicked: the install into `folder` offered, after what else keeps the plugin from
// running there and what the install will write; the exit status. Declined, nothing is printed
// but the question.
int offerInstall(const std::string& folder, std::istream& answers, std::ostream& out, std::ostream& err,
                 const ReportOptions& report, bool several, bool& declined) {
    GameFolderCheck check = checkGameFolder(folder, true, VELTRANE_VERSION);
    const int status = check.failures() > 0 ? 1 : 0;
    const std::filesystem::path there = std::filesystem::u8path(folder);
    std::error_code error;
    // The plugin's own finding is what the question is about, and a missing Veltrane.ini what
    // the install writes too (said below).
    const bool writesSettings = !std::filesystem::exists(there / kSettingsFileBareName, error);
    check.findings.erase(std::remove_if(check.findings.begin(), check.findings.end(),
                                        [&](const FolderFinding& f) {
                                            return f.check == FolderCheckId::Plugin ||
                                                   (f.check == FolderCheckId::SettingsFile && writesSettings &&
                                                    check.settingsNearName.empty());
                                        }),
                         check.findings.end());
    const bool shown = printGameFolder(out, check, true, false) > 0;
    if (std::filesystem::exists(there / kPluginFile, error)) {
        const std::string version = fileVersionOf(there / kPluginFile).value_or("");
        out << "  The Veltrane.asi there, " << (version.empty() ? "of no version" : "version " + version)
            << ", is kept as " << splitPath(freeBackupName((there / kPluginFile).u8string())).name << ".\n";
    }
    if (writesSettings)
        out << "  It writes " << kSettingsFileBareName << " too (the default settings): there is none.\n";
    declined = !ask(answers, out, "Install Veltrane.asi into " + folder + "?");
    return declined ? status : changeGameFolder(true, folder, out, err, report, shown || several);
}

// Of several games found, the one a command names: the first holding the plugin (the one the
// player plays with it), else the first found.
const std::string& folderToName(const std::vector<FoundGame>& games) {
    std::error_code error;
    for (const FoundGame& game : games)
        if (std::filesystem::exists(std::filesystem::u8path(game.folder) / kPluginFile, error)) return game.folder;
    return games.front().folder;
}

// The doctor stands in a folder without the game: where the game is, said first; then each
// game folder found is checked (one also with its settings file), or nothing is, with a word.
// Double-clicked, the install is offered into each, and with none found the folder is asked for.
int checkFoundGames(DoctorOptions options, bool pathGiven, const std::string& standing, FoundGames found,
                    std::ostream& out, std::ostream& err, std::istream* answers) {
    std::vector<std::string> told{standing + " holds no RDR2.exe: it is not the game folder" +
                                  (found.games.empty() ? ", and the launchers' records name none." : ".")};
    if (found.games.empty() && answers) {
        say(out, told.front());
        const std::string folder = askGameFolder(*answers, out);
        if (!folder.empty()) found.games.push_back({folder, "the folder you gave"});
        told.clear();
    }
    if (found.games.empty())
        told.push_back("No game folder in the launchers' records (Rockstar Games Launcher, Steam, Epic Games "
                       "Launcher): name it with --game DIR, the folder holding RDR2.exe; or, if the game is not "
                       "installed, install it, or start its launcher once so that it records where the game is.");
    else if (found.games.size() == 1)
        told.push_back("The game is in " + found.games.front().folder + " (" + found.games.front().launchers +
                       "): checked below.");
    // Double-clicked in the package: the one step most players need, offered by name, for each game
    // that lacks this package's Veltrane.asi; one that has it is only checked.
    const std::optional<std::string> ours = readBytes(std::filesystem::u8path(packagePlugin()));
    const bool offered = answers && ours && whyNotLoadable(kPluginFile, *ours).empty();
    std::vector<FoundGame> toAsk, unasked;
    for (const FoundGame& game : found.games)
        (offered && readBytes(std::filesystem::u8path(game.folder) / kPluginFile) != ours ? toAsk : unasked)
            .push_back(game);
    if (found.games.size() > 1) {
        std::string how = "each asked about below.";
        if (toAsk.empty()) how = "each checked below:";
        else if (!unasked.empty())
            how = std::to_string(toAsk.size()) + " without this Veltrane.asi, asked about below, and " +
                  std::to_string(unasked.size()) + " with it, checked below.";
        told.push_back("The launchers' records name " + std::to_string(found.games.size()) + " game folders, " + how);
    }
    for (const std::string& text : told) say(out, text);
    if (found.games.size() > 1 && toAsk.empty())
        for (const FoundGame& game : found.games) say(out, game.folder + " (" + game.launchers + ")", "    ", "  ");
    for (const std::string& note : found.notes) say(out, note + ".", "     ", "note ");
    int status = found.games.empty() ? 1 : 0;
    bool declined = false;
    for (const FoundGame& game : toAsk)
        status = std::max(status, offerInstall(game.folder, *answers, out, err, options.report,
                                               found.games.size() > 1, declined));
    if (found.games.size() == 1 && unasked.empty() && !declined) return status;
    if (found.games.size() == 1) {
        options.game = found.games.front().folder;
        return checkAll(options, pathGiven, out, err, answers, declined);
    }
    if (found.games.size() > 1) {
        for (const FoundGame& game : unasked) {
            const GameFolderCheck check = checkGameFolder(game.folder, true, VELTRANE_VERSION);
            printGameFolder(out, check, options.report.quiet, options.report.details);
            status = std::max(status, check.failures() > 0 ? 1 : 0);
        }
        say(out, "Check one folder's settings file with " + doctorCommand("--game", folderToName(found.games)) +
                     " (or another folder above).");
    }
    // A settings file the player named is checked where it is; none is written outside the game.
    const Place place = splitPath(options.path);
    FolderVisit visit;
    std::error_code error;
    // Nothing is written where the game is not: the plugin never reads a file there. With several
    // games found, which one's file to change is the player's choice.
    if (!pathGiven && (options.writeDefaults || options.fix)) {
        err << "Nothing written: the plugin reads the " << kSettingsFileBareName << " of the game folder, "
            << (found.games.empty() ? std::string("not this one") :
                "and the launchers' records name " + std::to_string(found.games.size()) + "; choose one")
            << ". Name it: "
            << doctorCommand(options.fix ? "--fix --game" : "--write-defaults --game",
                             found.games.empty() ? exampleGameFolder() : folderToName(found.games))
            << ".\n";
        return 2;
    }
    if (!pathGiven && !std::filesystem::exists(std::filesystem::u8path(options.path), error)) return status;
    if (found.games.size() > 1 && !pathGiven) return status;
    if (!place.folder.empty() && !visit.enter(place.folder)) return std::max(status, 2);
    const std::optional<std::string> name = profileFileName(place.name);
    if (place.name.empty() || !name) return std::max(status, 2);
    options.writeDefaults = false;
    return std::max(status, doctorSettingsFile(options, profilePath(*name), out, err, nullptr));
}

}  // namespace

int runDoctor(int argc, const char* const* argv, std::ostream& out, std::ostream& err, std::istream* answers) {
    // Whatever is printed counts towards one screen: at the console the questions' budgets ask
    // it, and from a prompt the report's.
    if (!countsRows(out)) {
        ScreenRows screen(out, err);
        return runDoctor(argc, argv, screen.out(), screen.err(), answers);
    }
    CLI::App app{"Shows what the Veltrane plugin will read from its settings file, and warns where the text "
                 "and the value it reads part ways. Changes the file only with --write-defaults (a missing "
                 "one) or --fix (keeping a backup).\nFirst it checks the game folder (script hook, ASI loader, "
                 "plugin, write access, settings file, logs, the folder's path: those that pass share a line, each "
                 "failure has its own with the fix), and which running program has the plugin loaded; a failed "
                 "check counts as a warning. Run from a folder without RDR2.exe (the unpacked package, say), it "
                 "checks the game folders that the Rockstar Games Launcher, Steam and the Epic Games Launcher record "
                 "instead; --game names one. --install copies the plugin there.\nExit status: 0 nothing to warn "
                 "about, 1 warnings, 2 the file can't be read or written, nothing was installed, or a wrong command "
                 "line.",
                 "veltrane-doctor"};
    // Paths such as /home/me/Veltrane.ini are paths, also on Windows (under Wine or Proton).
    app.allow_windows_style_options(false);
    DoctorOptions options;
    app.add_option("path", options.path, "the settings file to check")->capture_default_str();
    app.add_flag("-q,--quiet", options.report.quiet, "print only the worst findings, in a few lines");
    app.add_flag("--details", options.report.details,
                 "everything, past one screen: each game folder check on its own line, every weather's row and "
                 "every warning");
    app.add_flag("--write-defaults", options.writeDefaults,
                 "when the file is missing, write the default file the plugin would write (" +
                     std::to_string(1 + 2 * kWeatherCount) + " entries)");
    app.add_flag("--fix", options.fix,
                 "write the suggestions that are certain (with your own values) into the file, keeping the original "
                 "as a numbered backup (PATH.bak, PATH.2.bak, ...); the choices are left to you");
    app.add_option("--game", options.game,
                   "the game folder to check (default: the settings file's folder; double-clicked, the doctor's "
                   "own); without PATH, its " + std::string(kSettingsFileBareName) + " is the settings file checked")
        ->option_text("DIR");
    std::string installDir, uninstallDir;
    CLI::Option* install =
        app.add_option("--install", installDir,
                       "copy the Veltrane.asi beside the doctor into the game folder (DIR, or the one the launchers "
                       "record), keeping another one there as a numbered backup; writes " +
                           std::string(kSettingsFileBareName) + " only where none is; then checks the folder")
            ->expected(0, 1)
            ->option_text("[DIR]");
    app.add_option("--uninstall", uninstallDir,
                   "remove the game folder's Veltrane.asi when it is this package's; " +
                       std::string(kSettingsFileBareName) + " stays")
        ->expected(0, 1)
        ->option_text("[DIR]")
        ->excludes(install);
    app.set_version_flag("--version", VELTRANE_VERSION);
    // Windows' own spelling of the options: "/fix", "/?". Any other "/..." is a path.
    std::vector<std::string> arguments(argv, argv + argc);
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string lower = profile_text::lowerAscii(arguments[i]);
        for (const char* option :
             {"quiet", "details", "write-defaults", "fix", "game", "install", "uninstall", "help", "version"})
            if (lower == std::string("/") + option) arguments[i] = std::string("--") + option;
        if (lower == "/?" || lower == "/h") arguments[i] = "--help";
        if (lower == "/q") arguments[i] = "--quiet";
    }
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
    try {
        app.parse(static_cast<int>(pointers.size()), pointers.data());
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error, out, err);
        if (status == 0) return 0;
        err << kUsage << "\n";
        return 2;
    }

    // "D:\Games\Red Dead Redemption 2\" from cmd arrives with the backslash taken as escaping the
    // closing quote: "D:\Games\Red Dead Redemption 2"". No folder's name ends in a quote.
    for (std::string* folder : {&installDir, &uninstallDir, &options.game})
        if (!folder->empty() && folder->back() == '"') folder->pop_back();
    options.report.program = std::string("veltrane-doctor ") + VELTRANE_VERSION;
    if (app.count("--install") || app.count("--uninstall"))
        return changeGameFolder(app.count("--install") > 0, app.count("--install") ? installDir : uninstallDir, out,
                                err, options.report);
    return checkAll(options, app.count("path") > 0, out, err, answers);
}
