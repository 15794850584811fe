#include "doctor/doctor_cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "doctor/file_place.h"
#include "doctor/game_folder_check.h"
#include "doctor/game_probe.h"
#include "doctor/report.h"
#include "doctor/settings_check.h"
#include "doctor/settings_fix.h"
#include "settings/settings_file.h"
#include "tuning/weather_table.h"

namespace {

constexpr const char* kUsage =
    "usage: veltrane-doctor [PATH] [--game DIR] [--quiet] [--details] [--write-defaults] [--fix] [--help] [--version]";

struct Options {
    std::string path = "Veltrane.ini";
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

class Doctor {
public:
    Doctor(const Options& given, std::ostream& output, std::ostream& errors)
        : options(given), out(output), err(errors) {}

    int run(const std::string& path, std::istream* answers) {
        readPath = path;
        check = checkSettingsFile(readPath, options.path);
        if (options.writeDefaults) {
            if (check.state == FileState::Missing) return writeDefaults();
            err << options.path << " exists; --write-defaults writes only a missing file. Nothing written.\n";
        }
        if (options.fix) return fix();
        printReport(out, check, options.report);
        if (answers) {
            if (check.state == FileState::Missing && ask(*answers, out, "Write the default settings file now?"))
                return writeDefaults();
            const std::size_t fixable = check.fixableLines;
            const std::string lines = fixable == 1 ? "this line" : "these " + std::to_string(fixable) + " lines";
            if (fixable > 0 && ask(*answers, out, "Fix " + lines + " now? A backup is kept."))
                return fix();
        }
        return exitStatus(check);
    }

private:
    int writeDefaults() {
        SettingsFile file;
        file.setPath(readPath);
        file.writeDefaults();
        check = checkSettingsFile(readPath, options.path);
        if (check.state != FileState::Readable || !check.warnings.empty()) {
            err << "Could not write the default settings file " << options.path << ": "
                << whyNotWritten(readPath, check.state != FileState::Missing) << ".\n";
            return 2;
        }
        if (!options.report.quiet) out << "Wrote the default settings file " << options.path << ".\n";
        printReport(out, check, options.report);
        return exitStatus(check);
    }

    int fix() {
        if (check.state != FileState::Readable) {
            printReport(out, check, options.report);
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
        if (!fixed.refusal.empty()) {
            err << "Nothing changed in " << options.path << ": " << fixed.refusal << ".\n";
            return 2;
        }
        if (fixed.changes.empty()) {
            out << "Nothing to fix in " << options.path << ".\n";
            printReport(out, check, options.report);
            return exitStatus(check);
        }
        const std::string backup = readPath + ".bak";
        const std::string shownBackup = options.path + ".bak";
        if (SettingsFile probe; probe.setPath(backup), probe.exists()) {
            err << "Nothing changed: " << shownBackup << " exists, and --fix never overwrites a backup. Move or "
                   "delete it, then run again.\n";
            return 2;
        }
        if (!writeBytes(backup, *original)) {
            err << "Nothing changed: could not write the backup " << shownBackup << ": "
                << whyNotWritten(backup, false) << ".\n";
            return 2;
        }
        if (!writeBytes(readPath, fixed.bytes)) {
            const std::string why = whyNotWritten(readPath, true);
            const bool restored = writeBytes(readPath, *original);
            err << "Could not write the fixed file " << options.path << ": " << why << ". "
                << (restored ? "It is as it was" : "The original is in " + shownBackup) << ".\n";
            return 2;
        }

        check = checkSettingsFile(readPath, options.path);
        out << "Fixed " << options.path << " (the original is kept as " << shownBackup << "):\n";
        for (const std::string& change : fixed.changes) out << "  " << change << "\n";
        printReport(out, check, options.report);
        if (const std::string broken = brokenPromise(fixed.applied); !broken.empty()) {
            err << "The fixed file does not read as promised: " << broken << ". The original is in " << shownBackup
                << ".\n";
            return 2;
        }
        return exitStatus(check);
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
                if (entry.key == key && entry.storedText != value)
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
};

}  // namespace

int runDoctor(int argc, const char* const* argv, std::ostream& out, std::ostream& err, std::istream* answers) {
    CLI::App app{"Shows what the Veltrane plugin will read from its settings file, and warns where the text "
                 "and the value it reads part ways. Changes the file only with --write-defaults (a missing "
                 "one) or --fix (keeping a backup).\nFirst it checks the game folder, one line per check (script "
                 "hook, ASI loader, plugin, write access, settings file, logs, the folder's path), and which running "
                 "program has the plugin loaded; a failed check counts as a warning. A folder that holds no game (no "
                 "RDR2.exe, ScriptHookRDR2.dll or *.asi) is checked only when --game names it.\nExit status: 0 nothing to warn about, 1 warnings, 2 the "
                 "file can't be read or written, or a wrong command line.",
                 "veltrane-doctor"};
    // Paths such as /home/me/Veltrane.ini are paths, also on Windows (under Wine or Proton).
    app.allow_windows_style_options(false);
    Options options;
    app.add_option("path", options.path, "the settings file to check")->capture_default_str();
    app.add_flag("-q,--quiet", options.report.quiet, "print only the warnings");
    app.add_flag("--details", options.report.details,
                 "for a file that holds none of the plugin's names, also each warning that stands for");
    app.add_flag("--write-defaults", options.writeDefaults,
                 "when the file is missing, write the default file the plugin would write (" +
                     std::to_string(1 + 2 * kWeatherCount) + " entries)");
    app.add_flag("--fix", options.fix,
                 "write each warning's \"write instead\" line into the file, keeping the original as PATH.bak");
    app.add_option("--game", options.game,
                   "the game folder to check (default: the settings file's folder; double-clicked, the doctor's "
                   "own); without PATH, its Veltrane.ini is the settings file checked")
        ->option_text("DIR");
    app.set_version_flag("--version", VELTRANE_VERSION);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error, out, err);
        if (status == 0) return 0;
        err << kUsage << "\n";
        return 2;
    }

    options.report.program = std::string("veltrane-doctor ") + VELTRANE_VERSION;
    const bool pathGiven = app.count("path") > 0;
    if (!options.game.empty() && !pathGiven)
        options.path = options.game + (isPathSeparator(options.game.back()) ? "" : options.game.find('\\') == std::string::npos ? "/" : "\\") + "Veltrane.ini";
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
        err << options.path << ": " << (place.name.empty() ? "a folder, not a file" :
               "the file name holds letters the settings functions can't spell; the plugin reads only Veltrane.ini")
            << ".\n";
        return 2;
    }
    // The game folder first: what keeps the plugin from loading matters before what it reads.
    const GameFolderCheck game = checkGameFolder(
        answers && !pathGiven && options.game.empty() ? programFolder() : gameFolder,
        !options.game.empty(), VELTRANE_VERSION);
    printGameFolder(out, game, options.report.quiet);
    const int status = Doctor(options, out, err).run(profilePath(*name), answers);
    return std::max(status, game.failures() > 0 ? 1 : 0);
}
