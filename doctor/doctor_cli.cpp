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
#include "doctor/game_folder_check.h"
#include "doctor/game_probe.h"
#include "doctor/near_names.h"
#include "doctor/report.h"
#include "doctor/settings_check.h"
#include "doctor/settings_fix.h"
#include "settings/settings_file.h"
#include "settings/weather_table.h"

namespace {

constexpr const char* kUsage =
    "usage: veltrane-doctor [PATH] [--game DIR] [--quiet] [--details] [--write-defaults] [--fix] [--help] [--version]";

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
        if (check.state != FileState::Readable || !check.warnings.empty()) {
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
            const std::size_t equals = warning.writeInstead.find('=');
            if (equals == std::string::npos) continue;
            const std::string key = warning.writeInstead.substr(0, equals);
            const std::string value = warning.writeInstead.substr(equals + 1);
            for (const SettingsEntry& entry : check.entries) {
                // A line fixed in one round may be fixed again in the next.
                if (entry.key == key && entry.storedText != value &&
                    std::none_of(applied.begin(), applied.end(), [&](const Warning& later) {
                        return later.writeInstead.compare(0, key.size() + 1, key + "=") == 0 &&
                               entry.storedText == later.writeInstead.substr(key.size() + 1);
                    }))
                    return key + " reads \"" + entry.storedText.value_or("") + "\", not \"" + value + "\"";
            }
        }
        return {};
    }

    const Options& options;
    std::ostream& out;
    std::ostream& err;
    std::string readPath;
    SettingsCheck check;
    ReportContext context;
    std::size_t printedAbove = 0;
};

}  // namespace

int runDoctor(int argc, const char* const* argv, std::ostream& out, std::ostream& err, std::istream* answers) {
    CLI::App app{"Shows what the Veltrane plugin will read from its settings file, and warns where the text "
                 "and the value it reads part ways. Changes the file only with --write-defaults (a missing "
                 "one) or --fix (keeping a backup).\nFirst it checks the game folder (script hook, ASI loader, "
                 "plugin, write access, settings file, logs, the folder's path: those that pass share a line, each "
                 "failure has its own with the fix), and which running "
                 "program has the plugin loaded; a failed check counts as a warning. A folder that holds no game (no "
                 "RDR2.exe, ScriptHookRDR2.dll or *.asi) is checked only when --game names it.\nExit status: 0 nothing to warn about, 1 warnings, 2 the "
                 "file can't be read or written, or a wrong command line.",
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
    app.set_version_flag("--version", VELTRANE_VERSION);
    // Windows' own spelling of the options: "/fix", "/?". Any other "/..." is a path.
    std::vector<std::string> arguments(argv, argv + argc);
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        std::string lower = arguments[i];
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
        for (const char* option : {"quiet", "details", "write-defaults", "fix", "game", "help", "version"})
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
    const bool pathGiven = app.count("path") > 0;
    if (!options.game.empty() && !pathGiven)
        options.path = options.game + (isPathSeparator(options.game.back()) ? "" : options.game.find('\\') == std::string::npos ? "/" : "\\") + kSettingsFileBareName;
    // The plugin reads its file from the game folder by a relative name; so does the doctor.
    const Place place = splitPath(options.path);
    const std::string gameFolder = absoluteFolder(options.game.empty() ? place.folder : options.game);
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
    const GameFolderCheck game = checkGameFolder(
        answers && !pathGiven && options.game.empty() ? programFolder() : gameFolder,
        !options.game.empty(), VELTRANE_VERSION);
    const std::size_t folderLines = printGameFolder(out, game, options.report.quiet, options.report.details);
    const int status = Doctor(options, out, err, folderLines).run(profilePath(*name), answers);
    return std::max(status, game.failures() > 0 ? 1 : 0);
}
