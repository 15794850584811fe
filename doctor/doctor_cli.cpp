#include "doctor/doctor_cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "doctor/file_place.h"
#include "doctor/game_finder.h"
#include "doctor/game_folder_check.h"
#include "doctor/game_probe.h"
#include "doctor/host_system.h"
#include "doctor/near_names.h"
#include "doctor/plugin_install.h"
#include "doctor/report.h"
#include "doctor/settings_check.h"
#include "doctor/settings_fix.h"
#include "platform/profile_text.h"
#include "settings/settings_file.h"
#include "settings/weather_table.h"

namespace {

constexpr const char* kUsage =
    "usage: veltrane-doctor [PATH] [--game DIR] [--quiet] [--details] [--write-defaults] [--fix] [--install [DIR]] [--uninstall [DIR]] [--help] [--version]";

struct Options {
    std::string path = kSettingsFileBareName;
    ReportOptions report;
    bool writeDefaults = false;
    bool fix = false;
    std::string game;  // the game folder, when given apart from the settings file
};

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

std::optional<std::string> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Why a file can't be written, when the platform says: a file of that name opened for
// appending tells it, and is removed again when that made it.
std::string whyNotWritten(const std::string& path, bool existed) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "ab");
    const int error = errno;
    if (file) {
        std::fclose(file);
        if (!existed) std::remove(path.c_str());
        return "the write failed";
    }
    switch (error) {
        case EACCES:
        case EPERM: return "access denied (a read-only file or folder, or one that needs administrator rights)";
        case EROFS: return "the drive is read-only";
        case ENOENT: return "the folder does not exist";
        case EISDIR: return "a folder has that name";
        case ENOSPC: return "the drive is full";
        default: return error ? std::strerror(error) : "the write failed";
    }
}

bool writeBytes(const std::string& path, const std::string& bytes) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (!out.is_open()) return false;
        out << bytes;
        out.close();
        if (!out) return false;
    }
    return readBytes(path) == bytes;
}

bool ask(std::istream& answers, std::ostream& out, const std::string& question) {
    out << question << " [y/N] " << std::flush;
    std::string answer;
    std::getline(answers, answer);
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

// The first backup name that is free: PATH.bak, then PATH.2.bak, PATH.3.bak, ... A backup is
// never overwritten.
std::string freeBackupName(const std::string& path) {
    for (int number = 1;; ++number) {
        const std::string name = number == 1 ? path + ".bak" : path + "." + std::to_string(number) + ".bak";
        SettingsFile probe;
        probe.setPath(name);
        if (!probe.exists()) return name;
    }
}

const std::string kWeatherPrefix = "WeatherType_";

// The changes of a --fix, grouped: one line for every section added with the default values.
std::vector<std::string> groupedChanges(const std::vector<std::string>& changes) {
    std::vector<std::string> sections, others;
    std::size_t added = 0;
    for (const std::string& change : changes) {
        const std::size_t open = change.find('[');
        const bool adds = change.compare(0, 6, "added ") == 0 && open != std::string::npos;
        if (!adds) {
            others.push_back(change);
            continue;
        }
        ++added;
        const std::string section = change.substr(open + 1, change.find(']') - open - 1);
        if (std::find(sections.begin(), sections.end(), section) == sections.end()) sections.push_back(section);
    }
    std::vector<std::string> lines;
    constexpr std::size_t kChangesListed = 6;
    for (std::size_t i = 0; i < others.size() && i < kChangesListed; ++i) lines.push_back(others[i]);
    if (others.size() > kChangesListed)
        lines.push_back("and " + std::to_string(others.size() - kChangesListed) + " more lines (see the backup)");
    if (!sections.empty()) {
        std::string names;
        for (std::size_t i = 0; i < sections.size(); ++i) {
            if (i == kChangesListed) {
                names += " and " + std::to_string(sections.size() - i) + " more";
                break;
            }
            std::string name = sections[i];
            if (name.compare(0, kWeatherPrefix.size(), kWeatherPrefix) == 0) name.erase(0, kWeatherPrefix.size());
            names += (i == 0 ? "" : ", ") + name;
        }
        lines.push_back("added " + std::to_string(added) + " missing " + (added == 1 ? "key" : "keys") +
                        " with the default values, in " + std::to_string(sections.size()) +
                        (sections.size() == 1 ? " section: " : " sections: ") + names);
    }
    return lines;
}

class Doctor {
public:
    // `linesAbove`: what was printed before on the same screen (the game folder's checks).
    Doctor(const Options& given, std::ostream& output, std::ostream& errors, std::size_t linesAbove = 0)
        : options(given), out(output), err(errors), printedAbove(linesAbove) {}

    int run(const std::string& path, std::istream* answers) {
        readPath = path;
        recheck();
        if (options.writeDefaults) {
            if (check.state == FileState::Missing) return writeDefaults();
            err << options.path << " exists; --write-defaults writes only a missing file. Nothing written.\n";
        }
        if (options.fix) return fix();
        printReport(out, check, options.report, context);
        if (answers) {
            if (check.state == FileState::Missing && ask(*answers, out, "Write the default settings file now?"))
                return writeDefaults();
            const std::size_t fixable = context.fixable;
            const std::string lines = fixable == 1 ? "this line" : "these " + std::to_string(fixable) + " lines";
            if (fixable > 0 && ask(*answers, out, "Fix " + lines + " now? The original is kept as " +
                                                      shown(freeBackupName(readPath)) + "."))
                return fix();
        }
        return exitStatus(check);
    }

private:
    // The path as the player gave it, for a file beside the settings file.
    std::string shown(const std::string& name) const { return options.path + name.substr(readPath.size()); }

    void recheck() {
        check = checkSettingsFile(readPath, options.path);
        context = ReportContext{};
        context.linesAbove = printedAbove;
        context.folder = currentFolder();
        context.wineVersion = wineVersion();
        if (check.state == FileState::Missing && check.pluginsFileName)
            context.nearNames = nearNames(currentFolderEntries(), fileNameOfSettings());
        // Another program's file under another name is not offered the plugin's entries: the
        // likelier mistake is the path. An explicit --fix still writes them.
        const bool foreign = !check.pluginsFileName &&
                             std::any_of(check.warnings.begin(), check.warnings.end(),
                                         [](const Warning& w) { return w.kind == WarningKind::NoKnownNames; });
        if (check.state == FileState::Readable && !foreign) {
            if (const std::optional<std::string> bytes = readBytes(readPath))
                context.fixable = fixSettings(*bytes, check).changes.size();
        }
    }

    int writeDefaults() {
        SettingsFile file;
        file.setPath(readPath);
        file.writeDefaults();
        recheck();
        // Written is what reads back as the default file; a file of another name is also told
        // that the plugin never reads it.
        const bool written = check.state == FileState::Readable &&
                             std::all_of(check.warnings.begin(), check.warnings.end(),
                                         [](const Warning& w) { return w.kind == WarningKind::NotPluginsFile; });
        if (!written) {
            err << "Could not write the default settings file " << options.path << ": "
                << whyNotWritten(readPath, check.state != FileState::Missing) << ".\n";
            return 2;
        }
        if (!options.report.quiet) out << "Wrote the default settings file " << options.path << ".\n";
        printReport(out, check, options.report, context);
        return exitStatus(check);
    }

    int fix() {
        if (check.state != FileState::Readable) {
            printReport(out, check, options.report, context);
            err << "Nothing to fix: " << options.path << " is not a settings file that can be read"
                << (check.state == FileState::Missing ? "; " + doctorCommand("--write-defaults", options.path) +
                                                            " writes the default file"
                                                      : "")
                << ".\n";
            return 2;
        }
        const std::optional<std::string> original = readBytes(readPath);
        FixedFile fixed;
        if (original) fixed = fixSettings(*original, check);
        else fixed.refusal = "it can't be read";
        const std::vector<Warning>& warnings = allWarnings(check);
        const bool anythingCertain = std::any_of(warnings.begin(), warnings.end(),
                                                 [](const Warning& w) { return fixOf(w) != Fix::None; });
        if (fixed.changes.empty() && (fixed.refusal.empty() || !anythingCertain)) {
            // Nothing --fix would write: a refusal (UTF-16, say) matters only when there is.
            out << "Nothing for --fix to write in " << options.path << ".\n";
            context.linesAbove = printedAbove + 1;
            printReport(out, check, options.report, context);
            return exitStatus(check);
        }
        if (!fixed.refusal.empty()) {
            err << "Nothing changed in " << options.path << ": " << fixed.refusal << ".\n";
            return 2;
        }
        // A file that can't be written (read-only, say) is left as it is, and no backup made.
        if (std::FILE* probe = std::fopen(readPath.c_str(), "ab")) {
            std::fclose(probe);
        } else {
            err << "Nothing changed: " << options.path << " can't be written: " << whyNotWritten(readPath, true)
                << ".\n";
            return 2;
        }
        const std::string backup = freeBackupName(readPath);
        const std::string shownBackup = shown(backup);
        if (!writeBytes(backup, *original)) {
            err << "Nothing changed: could not write the backup " << shownBackup << ": "
                << whyNotWritten(backup, false) << ".\n";
            std::remove(backup.c_str());
            return 2;
        }
        // One fix can bring out another (a renamed section's keys, say): fix again until
        // nothing certain is left, so that a second --fix has nothing to do.
        std::vector<std::string> changes;
        std::vector<Warning> applied;
        std::string bytes = *original;
        for (int round = 0; round < 4 && !fixed.changes.empty(); ++round) {
            if (!writeBytes(readPath, fixed.bytes)) return failedWrite(*original, backup);
            changes.insert(changes.end(), fixed.changes.begin(), fixed.changes.end());
            applied.insert(applied.end(), fixed.applied.begin(), fixed.applied.end());
            bytes = fixed.bytes;
            check = checkSettingsFile(readPath, options.path);
            fixed = fixSettings(bytes, check);
        }
        recheck();
        std::vector<std::string> told{"Fixed " + options.path + " (the original is kept as " + shownBackup + "):"};
        for (const std::string& change : groupedChanges(changes))
            for (const std::string& line : wrapped(change, "  ")) told.push_back(line);
        for (const std::string& line : told) out << line << "\n";
        context.linesAbove = printedAbove + told.size();
        printReport(out, check, options.report, context);
        if (const std::string broken = brokenPromise(applied); !broken.empty()) {
            err << "The fixed file does not read as promised: " << broken << ". The original is in " << shownBackup
                << ".\n";
            return 2;
        }
        return exitStatus(check);
    }

    // The file could not be written: it is the original again, or it is in the backup. The
    // backup of a file left as it was is not kept, so that a later --fix is not refused.
    int failedWrite(const std::string& original, const std::string& backup) {
        const std::string why = whyNotWritten(readPath, true);
        const bool untouched = readBytes(readPath) == original || writeBytes(readPath, original);
        if (untouched) std::remove(backup.c_str());
        err << "Could not write the fixed file " << options.path << ": " << why << ". "
            << (untouched ? "Nothing changed" : "The original is in " + shown(backup)) << ".\n";
        return 2;
    }

    // The first fixed line that the plugin does not now read as its warning said; empty
    // when every one does.
    std::string brokenPromise(const std::vector<Warning>& applied) const {
        for (const Warning& warning : applied) {
            for (const std::string& line : linesOf(warning.writeInstead)) {
                const std::size_t equals = line.find('=');
                if (equals == std::string::npos) continue;
                const std::string key = line.substr(0, equals);
                const std::string value = line.substr(equals + 1);
                for (const SettingsEntry& entry : check.entries) {
                    // A line fixed in one round may be fixed again in the next.
                    if (entry.key == key && entry.storedText != value && !fixedLater(applied, key, entry))
                        return key + " reads \"" + entry.storedText.value_or("") + "\", not \"" + value + "\"";
                }
            }
        }
        return {};
    }

    static std::vector<std::string> linesOf(const std::string& text) {
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end = text.find('\n'); end != std::string::npos; start = end + 1, end = text.find('\n', start))
            lines.push_back(text.substr(start, end - start));
        lines.push_back(text.substr(start));
        return lines;
    }

    static bool fixedLater(const std::vector<Warning>& applied, const std::string& key, const SettingsEntry& entry) {
        return std::any_of(applied.begin(), applied.end(), [&](const Warning& later) {
            for (const std::string& line : linesOf(later.writeInstead))
                if (line.compare(0, key.size() + 1, key + "=") == 0 && entry.storedText == line.substr(key.size() + 1))
                    return true;
            return false;
        });
    }

    const Options& options;
    std::ostream& out;
    std::ostream& err;
    std::string readPath;
    SettingsCheck check;
    ReportContext context;
    std::size_t printedAbove = 0;
};

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
        err << "Nothing changed: no game folder here or in the launchers' records. Name it: veltrane-doctor "
            << option << " \"D:\\Games\\Red Dead Redemption 2\" (the folder holding RDR2.exe).\n";
    } else {
        err << "Nothing changed: " << found.games.size() << " game folders; name the one you mean:\n";
        for (const FoundGame& game : found.games)
            err << "  veltrane-doctor " << option << " \"" << game.folder << "\"  (" << game.launchers << ")\n";
    }
    return {};
}

// After an install, or when the doctor checked a folder: the pieces that are not ours to ship.
void whatIsNotOurs(std::ostream& out, const GameFolderCheck& check) {
    const bool hookOrLoader = std::any_of(check.findings.begin(), check.findings.end(), [](const FolderFinding& f) {
        return f.verdict == Verdict::Fail && (f.check[0] == '1' || f.check[0] == '2');
    });
    if (hookOrLoader)
        for (const std::string& line : wrapped("The script hook (ScriptHookRDR2.dll) and its ASI loader (dinput8.dll) "
                                               "are not part of this package: they come from the script hook author's "
                                               "page, for the game's version.",
                                               ""))
            out << line << "\n";
}

// --install and --uninstall: the change, every file it wrote, then the folder's check.
int changeGameFolder(bool install, std::string folder, std::ostream& out, std::ostream& err, const ReportOptions& report) {
    const std::string option = install ? "--install" : "--uninstall";
    if (folder.empty()) folder = oneGameFolder(option, err);
    if (folder.empty()) return 2;
    folder = absoluteFolder(folder);
    const FolderChange change = install ? installPlugin(packagePlugin(), folder, VELTRANE_VERSION)
                                        : uninstallPlugin(packagePlugin(), folder);
    if (!change.refusal.empty()) {
        err << "Nothing changed: " << change.refusal << ".\n";
        return 2;
    }
    for (const std::string& file : change.written)
        for (const std::string& line : wrapped(file, "  ", install ? "Wrote " : "Removed ")) out << line << "\n";
    for (const std::string& told : change.told)
        for (const std::string& line : wrapped(told + ".", "  ", "")) out << line << "\n";
    if (!install) return change.otherLeft ? 1 : 0;
    out << "\n";
    const GameFolderCheck check = checkGameFolder(folder, true, VELTRANE_VERSION);
    printGameFolder(out, check, report.quiet, report.details);
    whatIsNotOurs(out, check);
    return check.failures() > 0 ? 1 : 0;
}

int checkFoundGames(Options options, bool pathGiven, const std::string& standing, const FoundGames& found,
                    std::ostream& out, std::ostream& err, std::istream* answers);

// Checks the game folder, then the settings file. Run from a folder without the game (the
// unpacked package, Downloads), it says so first and checks the game folders that the
// launchers' records name instead.
int checkAll(Options options, bool pathGiven, std::ostream& out, std::ostream& err, std::istream* answers,
             std::size_t linesAbove = 0) {
    if (!options.game.empty() && !pathGiven)
        options.path = options.game + (isPathSeparator(options.game.back()) ? "" : options.game.find('\\') == std::string::npos ? "/" : "\\") + kSettingsFileBareName;
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
        err << options.path << ": " << (place.name.empty() ? std::string("a folder, not a file") :
               std::string("the file name holds letters the settings functions can't spell; the plugin reads only ") + kSettingsFileBareName)
            << ".\n";
        return 2;
    }
    // The game folder first: what keeps the plugin from loading matters before what it reads.
    const std::string checked = answers && !pathGiven && options.game.empty() ? programFolder() : gameFolder;
    GameFolderCheck game = checkGameFolder(checked, !options.game.empty(), VELTRANE_VERSION);
    std::size_t folderLines = printGameFolder(out, game, options.report.quiet, options.report.details);
    // Double-clicked beside the player's file under a name the plugin never reads: the rename
    // is offered, never a default file beside it.
    std::istream* asking = answers;
    const bool settingsHere = absoluteFolder(checked) == currentFolder();
    if (answers && settingsHere && !game.settingsNearName.empty()) {
        const std::filesystem::path folder = std::filesystem::u8path(currentFolder());
        if (ask(*answers, out, "Rename " + game.settingsNearName + " to " + kSettingsFile + " now?")) {
            std::error_code error;
            std::filesystem::rename(folder / std::filesystem::u8path(game.settingsNearName), folder / kSettingsFile,
                                    error);
            if (error) err << "Could not rename " << game.settingsNearName << ": " << error.message() << ".\n";
            else out << "Renamed " << game.settingsNearName << " to " << kSettingsFile << ".\n";
            ++folderLines;
        } else {
            asking = nullptr;
        }
        ++folderLines;
    }
    const int status = Doctor(options, out, err, linesAbove + folderLines).run(profilePath(*name), asking);
    // What the questions did not mend stays in view at the end.
    if (answers && game.looksLikeGame) {
        game = checkGameFolder(checked, !options.game.empty(), VELTRANE_VERSION);
        if (game.failures() > 0) out << "Still wrong in the game folder: " << game.failedChecks() << " (see above).\n";
    }
    return std::max(status, game.failures() > 0 ? 1 : 0);
}

// The doctor stands in a folder without the game: where the game is, said first; then each
// game folder found is checked (one also with its settings file), or nothing is, with a word.
int checkFoundGames(Options options, bool pathGiven, const std::string& standing, const FoundGames& found,
                    std::ostream& out, std::ostream& err, std::istream* answers) {
    std::vector<std::string> told{standing + " holds no RDR2.exe: it is not the game folder" +
                                  (found.games.empty() ? ", and the launchers' records name none." : ".")};
    if (found.games.empty())
        told.push_back("No game folder in the launchers' records (Rockstar Games Launcher, Steam, Epic Games "
                       "Launcher): name it with --game DIR, the folder holding RDR2.exe; or, if the game is not "
                       "installed, install it, or start its launcher once so that it records where the game is.");
    else if (found.games.size() == 1)
        told.push_back("The game is in " + found.games.front().folder + " (" + found.games.front().launchers +
                       "): checked below.");
    else
        told.push_back("The launchers' records name " + std::to_string(found.games.size()) +
                       " game folders, each checked below:");
    std::size_t lines = 0;
    for (const std::string& text : told)
        for (const std::string& line : wrapped(text, "")) out << line << "\n", ++lines;
    if (found.games.size() > 1)
        for (const FoundGame& game : found.games)
            for (const std::string& line : wrapped(game.folder + " (" + game.launchers + ")", "    ", "  "))
                out << line << "\n", ++lines;
    for (const std::string& note : found.notes)
        for (const std::string& line : wrapped(note + ".", "     ", "note ")) out << line << "\n", ++lines;
    // Double-clicked in the package: the one step most players need, offered by name.
    const std::optional<std::string> ours = readBytes(packagePlugin());
    if (answers && ours && whyNotLoadable(kPluginFile, *ours).empty()) {
        for (const FoundGame& game : found.games) {
            const std::string there = (std::filesystem::u8path(game.folder) / kPluginFile).u8string();
            if (readBytes(there) == ours) continue;
            if (ask(*answers, out, "Install Veltrane.asi into " + game.folder + "?"))
                return changeGameFolder(true, game.folder, out, err, options.report);
        }
    }
    if (found.games.size() == 1) {
        options.game = found.games.front().folder;
        return checkAll(options, pathGiven, out, err, answers, lines);
    }
    int status = 1;
    if (found.games.size() > 1) {
        status = 0;
        for (const FoundGame& game : found.games) {
            const GameFolderCheck check = checkGameFolder(game.folder, true, VELTRANE_VERSION);
            printGameFolder(out, check, options.report.quiet, options.report.details);
            status = std::max(status, check.failures() > 0 ? 1 : 0);
        }
        out << "Check one folder's settings file with veltrane-doctor --game DIR.\n";
    }
    // A settings file the player named is checked where it is; none is written outside the game.
    const Place place = splitPath(options.path);
    FolderVisit visit;
    std::error_code error;
    // Nothing is written where the game is not: the plugin never reads a file there.
    if (found.games.empty() && !pathGiven && (options.writeDefaults || options.fix)) {
        err << "Nothing written: the plugin reads the Veltrane.ini of the game folder, not this one. Name it: "
            << doctorCommand(options.fix ? "--fix --game" : "--write-defaults --game", "D:\\Games\\Red Dead Redemption 2")
            << ".\n";
        return 2;
    }
    if (!pathGiven && !std::filesystem::exists(std::filesystem::u8path(options.path), error)) return status;
    if (found.games.size() > 1 && !pathGiven) return status;
    if (!place.folder.empty() && !visit.enter(place.folder)) return std::max(status, 2);
    const std::optional<std::string> name = profileFileName(place.name);
    if (place.name.empty() || !name) return std::max(status, 2);
    options.writeDefaults = false;
    return std::max(status, Doctor(options, out, err, lines).run(profilePath(*name), nullptr));
}

}  // namespace

int runDoctor(int argc, const char* const* argv, std::ostream& out, std::ostream& err, std::istream* answers) {
    CLI::App app{"Shows what the Veltrane plugin will read from its settings file, and warns where the text "
                 "and the value it reads part ways. Changes the file only with --write-defaults (a missing "
                 "one) or --fix (keeping a backup).\nFirst it checks the game folder (script hook, ASI loader, "
                 "plugin, write access, settings file, logs, the folder's path: those that pass share a line, each "
                 "failure has its own with the fix), and which running "
                 "program has the plugin loaded; a failed check counts as a warning. Run from a folder without RDR2.exe "
                 "(the unpacked package, say), it checks the game folders that the Rockstar Games Launcher, Steam and "
                 "the Epic Games Launcher record instead; --game names one. --install copies the plugin there.\nExit "
                 "status: 0 nothing to warn about, 1 warnings, 2 the file can't be read or written, nothing was "
                 "installed, or a wrong command line.",
                 "veltrane-doctor"};
    // Paths such as /home/me/Veltrane.ini are paths, also on Windows (under Wine or Proton).
    app.allow_windows_style_options(false);
    Options options;
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
                   "own); without PATH, its Veltrane.ini is the settings file checked")
        ->option_text("DIR");
    std::string installDir, uninstallDir;
    CLI::Option* install =
        app.add_option("--install", installDir,
                       "copy the Veltrane.asi beside the doctor into the game folder (DIR, or the one the launchers "
                       "record), keeping another one there as a numbered backup; writes Veltrane.ini only where none "
                       "is; then checks the folder")
            ->expected(0, 1)
            ->option_text("[DIR]");
    app.add_option("--uninstall", uninstallDir,
                   "remove the game folder's Veltrane.asi when it is this package's; Veltrane.ini stays")
        ->expected(0, 1)
        ->option_text("[DIR]")
        ->excludes(install);
    app.set_version_flag("--version", VELTRANE_VERSION);
    // Windows' own spelling of the options: "/fix", "/?". Any other "/..." is a path.
    std::vector<std::string> arguments(argv, argv + argc);
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string lower = profile_text::lowerAscii(arguments[i]);
        for (const char* option : {"quiet", "details", "write-defaults", "fix", "game", "install", "uninstall", "help", "version"})
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

    options.report.program = std::string("veltrane-doctor ") + VELTRANE_VERSION;
    if (app.count("--install") || app.count("--uninstall"))
        return changeGameFolder(app.count("--install") > 0, app.count("--install") ? installDir : uninstallDir, out,
                                err, options.report);
    return checkAll(options, app.count("path") > 0, out, err, answers);
}
