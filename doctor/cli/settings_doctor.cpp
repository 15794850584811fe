#include "doctor/cli/settings_doctor.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <optional>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

#include "doctor/cli/screen_rows.h"
#include "doctor/os/os.h"
#include "doctor/os/player_files.h"
#include "doctor/settings/near_names.h"
#include "doctor/settings/settings_check.h"
#include "doctor/settings/settings_fix.h"
#include "platform/profile_text.h"

namespace {

constexpr int kFixRounds = 4;

std::string nameOf(const std::string& path) { return std::filesystem::u8path(path).filename().u8string(); }

// What the rounds of a --fix did, for the player: each change in a line, but the keys added with
// the default values, which are told together.
struct ToldChanges {
    std::vector<std::string> others;
    std::vector<std::string> sections;  // those keys were added to, each once
    std::size_t added = 0;

    void tell(const FixedFile& fixed, std::string_view original) {
        for (const FixChange& change : fixed.changes) {
            if (change.fix != Fix::AddLine) {
                if (std::string told = toldChange(change, original); !told.empty()) others.push_back(told);
                continue;
            }
            ++added;
            const std::string& section = change.answers.section;
            if (std::find(sections.begin(), sections.end(), section) == sections.end()) sections.push_back(section);
        }
    }

    std::vector<std::string> lines(std::size_t most = kChangesListed) const;

    static constexpr std::size_t kChangesListed = 6;
};

// The changes a --fix would tell: as many lines as it writes.
std::size_t toldCount(const FixedFile& fixed, std::string_view original) {
    return static_cast<std::size_t>(std::count_if(fixed.changes.begin(), fixed.changes.end(), [&](const FixChange& c) {
        return !toldChange(c, original).empty();
    }));
}

// The lines told, the first `most`; the keys added, in one line.
std::vector<std::string> ToldChanges::lines(std::size_t most) const {
    std::vector<std::string> said;
    for (std::size_t i = 0; i < others.size() && i < most; ++i) said.push_back(others[i]);
    if (others.size() > most)
        said.push_back((most == 0 ? "" : "and ") + std::to_string(others.size() - most) +
                       (most == 0 ? " lines" : " more lines") + " (see the backup)");
    if (!sections.empty()) {
        std::vector<std::string> shownNames;
        for (const std::string& section : sections) shownNames.push_back(shownSectionName(section));
        const std::string names = listed(shownNames, kChangesListed);
        said.push_back("added " + std::to_string(added) + " missing " + (added == 1 ? "key" : "keys") +
                        " with the default values, in " + std::to_string(sections.size()) +
                        (sections.size() == 1 ? " section: " : " sections: ") + names);
    }
    return said;
}

class Doctor {
public:
    Doctor(const DoctorOptions& given, std::ostream& output, std::ostream& errors)
        : options(given), out(output), err(errors) {}

    int run(const std::string& path, std::istream* answers) {
        readPath = path;
        recheck();
        if (options.writeDefaults) {
            if (check.state == FileState::Missing) return writeDefaults();
            err << options.path << " exists; --write-defaults writes only a missing file. Nothing written.\n";
        }
        if (options.fix) return fix();
        // Double-clicked, the question offers the fix: the command for it is left out.
        ReportContext printed = context;
        if (answers) printed.fixable = 0;
        std::size_t fixable = answers ? context.fixable : 0;
        std::string question = fixQuestion(fixable);
        std::ostringstream report;
        printChecked(report, options.report, printed);
        // At the console, the question, what the fix did and what is still wrong in the game folder
        // (a line) share the screen with the report: where the whole report leaves them no room,
        // the short one stands before them.
        const std::size_t below = fixable > 0 ? outcomeRows(question) : 1;
        if (answers && above() + consoleRows(report.str()) + below > kScreenLines) {
            ReportOptions brief = options.report;
            brief.quiet = true;
            printed.rowsLeft = rowsLeft(above() + below);
            report.str("");
            printChecked(report, brief, printed);
        }
        out << report.str();
        if (answers) {
            if (const std::string near = editsElsewhere(); !near.empty() && ask(*answers, out, swapQuestion(near))) {
                if (!takeEditsFrom(near)) return 2;
                // The file read again; the short report, below the first: what is still wrong.
                recheck();
                printed = context;
                printed.fixable = 0;
                ReportOptions brief = options.report;
                brief.quiet = true;
                std::ostringstream again;
                printChecked(again, brief, printed);
                if (check.warnings.empty()) again << "No warnings: the plugin reads every value as written.\n";
                out << again.str();
                fixable = context.fixable;
                question = fixQuestion(fixable);
            }
            if (check.state == FileState::Missing && context.folderWritable &&
                ask(*answers, out, "Write the default settings file now?"))
                return writeDefaults();
            if (fixable > 0 && ask(*answers, out, question))
                return asked = true, fix();
        }
        return exitStatus(check);
    }

private:
    // The path as the player gave it, for a file beside the settings file; no name (no backup
    // name was free) stays empty.
    std::string shown(const std::string& name) const {
        return name.size() < readPath.size() ? name : options.path + name.substr(readPath.size());
    }

    // The question that offers the fix of `fixable` lines; empty when there are none.
    std::string fixQuestion(std::size_t fixable) const {
        if (fixable == 0) return {};
        const std::string lines = fixable == 1 ? "this line" : "these " + std::to_string(fixable) + " lines";
        return "Fix " + lines + " now? The original is kept as " + shown(freeBackupName(readPath)) + ".";
    }

    // Asked at the console, the files by name: the question just above gives their folder.
    std::string fixedHeading(const std::string& shownBackup, bool atConsole) const {
        const auto name = [&](const std::string& path) {
            std::size_t at = path.size();
            while (at > 0 && !(atConsole && isPathSeparator(path[at - 1]))) --at;
            return path.substr(at);
        };
        return "Fixed " + name(options.path) + " (the original is kept as " + name(shownBackup) + "):";
    }

    // The rows of a y/N question at the console once answered: the player's answer ends its line.
    static std::size_t answeredRows(const std::string& question) { return consoleRows(question + " [y/N] y\n"); }

    // The rows filled on the screen so far, the game folder's checks among them.
    std::size_t above() const { return rowsShown(out); }

    // The report on the file as checked, told what fills the screen above it.
    void printChecked(std::ostream& to, const ReportOptions& how, ReportContext given) const {
        given.linesAbove = above();
        printReport(to, check, how, given);
    }

    // The rows left on the screen below `used`; at least one.
    static std::size_t rowsLeft(std::size_t used) { return used < kScreenLines ? kScreenLines - used : 1; }

    // The fewest rows that the fix's question and its outcome take: the question, what was fixed
    // in a line, what is left to the player in another, and the line of what is still wrong in
    // the game folder.
    std::size_t outcomeRows(const std::string& question) const {
        const std::vector<Warning>& warnings = allWarnings(check);
        const bool choicesLeft =
            std::any_of(warnings.begin(), warnings.end(), [](const Warning& w) { return fixOf(w) == Fix::None; });
        return answeredRows(question) + consoleRows(fixedHeading(shown(freeBackupName(readPath)), true)) + 1 +
               (choicesLeft ? 1 : 0) + 1;
    }

    // After the fix at the console, where the short report does not fit: what is left in a line.
    std::string leftToThePlayer() const {
        std::vector<std::string> keys;
        for (const Warning& warning : check.warnings)
            if (!warning.key.empty() && std::find(keys.begin(), keys.end(), warning.key) == keys.end())
                keys.push_back(warning.key);
        const std::string names = listed(keys, 3);
        const std::size_t count = check.warnings.size();
        return "Left for you to decide: " + std::to_string(count) + (count == 1 ? " warning" : " warnings") +
               (names.empty() ? "" : " (" + names + ")") + "; run the doctor again to see " +
               (count == 1 ? "it." : "them.");
    }

    // The near-named file beside the plugin's settings file that holds the player's edits
    // ("Veltrane.ini.txt"); empty when there is none.
    std::string editsElsewhere() const {
        for (const Warning& warning : check.warnings)
            if (warning.kind == WarningKind::EditsInNearName && check.pluginsFileName) return warning.otherFile;
        return {};
    }

    std::string swapQuestion(const std::string& near) const {
        const std::string name = nameOf(readPath);
        return "Keep " + name + " as " + nameOf(freeBackupName(readPath)) + " and rename " + near + " to " + name +
               " now?";
    }

    // The settings file kept as a numbered backup, and `near` renamed into its place. A rename
    // that fails is said, and the settings file is put back.
    bool takeEditsFrom(const std::string& near) {
        namespace fs = std::filesystem;
        const fs::path file = fs::u8path(readPath), edits = file.parent_path() / fs::u8path(near);
        const std::string backup = freeBackupName(readPath);
        std::error_code error, back;
        if (backup.empty()) error = std::make_error_code(std::errc::file_exists);
        else fs::rename(file, fs::u8path(backup), error);
        if (error) {
            err << "Nothing changed: could not keep " << options.path << " as a backup: " << error.message() << ".\n";
            return false;
        }
        fs::rename(edits, file, error);
        if (error) fs::rename(fs::u8path(backup), file, back);
        if (error) {
            err << "Could not rename " << near << ": " << error.message() << ". "
                << (back ? options.path + " is in " + shown(backup) : std::string("Nothing changed")) << ".\n";
            return false;
        }
        out << "Kept the earlier " << nameOf(readPath) << " as " << nameOf(backup) << "; " << near
            << " is now " << nameOf(readPath) << ".\n";
        return true;
    }

    void recheck() {
        check = checkSettingsFile(readPath, options.path, reader);
        context = ReportContext{};
        context.folder = currentFolder();
        context.wineVersion = wineVersion();
        if (check.state == FileState::Missing && check.pluginsFileName)
            context.nearNames = nearNames(currentFolderEntries(), kSettingsFileBareName);
        std::string why;
        if (check.state == FileState::Missing)
            context.folderWritable = folderTakesNewFiles(std::filesystem::u8path(readPath).parent_path(), why);
        // Another program's file under another name is not offered the plugin's entries: the
        // likelier mistake is the path. An explicit --fix still writes them.
        const bool foreign = !check.pluginsFileName && !check.details.empty();
        if (check.state == FileState::Readable && !foreign) {
            if (const std::optional<std::string> bytes = readBytes(readPath))
                context.fixable = toldCount(fixSettings(*bytes, check), *bytes);
        }
    }

    int writeDefaults() {
        // No file system takes a longer name; Wine, asked to write one, writes a file of another name.
        if (nameOf(readPath).size() > 255) {
            err << "Could not write the default settings file " << options.path
                << ": its name is longer than the 255 letters a file name may have.\n";
            return 2;
        }
        SettingsFile file;
        file.setPath(readPath);
        file.writeDefaults();
        recheck();
        // Written is what reads back as the default file; a file of another name is also told
        // that the plugin never reads it, its one warning.
        const bool written =
            check.state == FileState::Readable && check.warnings.size() == (check.pluginsFileName ? 0u : 1u);
        if (!written) {
            err << "Could not write the default settings file " << options.path << ": "
                << whyNotWritten(readPath, check.state != FileState::Missing) << ".\n";
            return 2;
        }
        if (!options.report.quiet) out << "Wrote the default settings file " << options.path << ".\n";
        printChecked(out, options.report, context);
        return exitStatus(check);
    }

    int fix() {
        if (check.state != FileState::Readable) {
            printChecked(out, options.report, context);
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
        if ((!original || toldCount(fixed, *original) == 0) && (fixed.refusal.empty() || !anythingCertain)) {
            // Nothing --fix would write: a refusal (UTF-16, say) matters only when there is.
            out << "Nothing for --fix to write in " << options.path << ".\n";
            printChecked(out, options.report, context);
            return exitStatus(check);
        }
        if (!fixed.refusal.empty()) {
            err << "Nothing changed in " << options.path << ": " << fixed.refusal << ".\n";
            return 2;
        }
        // A file that can't be written (read-only, say) is left as it is, and no backup made.
        if (const std::string why = whyNotWritable(readPath, true); !why.empty()) {
            err << "Nothing changed: " << options.path << " can't be written: " << why << ".\n";
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
        // One fix can bring out another (a renamed section's keys, say): fix again, in at most
        // kFixRounds rounds, until nothing certain is left, so that a second --fix has nothing
        // to do. A file that still holds certain fixes after those rounds is left so.
        ToldChanges changes;
        std::vector<Warning> applied;
        std::string bytes = *original;
        for (int round = 0; round < kFixRounds && toldCount(fixed, bytes) > 0; ++round) {
            if (!writeBytes(readPath, fixed.bytes)) return failedWrite(*original, backup);
            changes.tell(fixed, bytes);
            applied.insert(applied.end(), fixed.applied.begin(), fixed.applied.end());
            bytes = fixed.bytes;
            check = checkSettingsFile(readPath, options.path, reader);
            fixed = fixSettings(bytes, check);
        }
        recheck();
        // Asked at the console, the fixed file's report is the short one, in the rows the screen
        // has left, or what is left in a line: the screen holds the rest.
        const std::size_t leftRows = asked && !check.warnings.empty() ? consoleRows(leftToThePlayer() + "\n") : 0;
        const std::vector<std::string> told = toldLines(changes, fixedHeading(shownBackup, asked), leftRows);
        for (const std::string& line : told) out << line << "\n";
        ReportOptions report = options.report;
        report.quiet = report.quiet || asked;
        std::ostringstream rest;
        printChecked(rest, report, context);
        // The line of what is still wrong in the game folder follows.
        if (asked && above() + consoleRows(rest.str()) + 1 > kScreenLines)
            rest.str(leftToThePlayer() + "\n");
        out << rest.str();
        if (const std::string broken = brokenPromise(applied); !broken.empty()) {
            err << "The fixed file does not read as promised: " << broken << ". The original is in " << shownBackup
                << ".\n";
            return 2;
        }
        return exitStatus(check);
    }

    // What the fix tells under `heading`: asked at the console, as many changes as leave on the
    // screen the `leftRows` of what is left to the player and the line of what is still wrong.
    std::vector<std::string> toldLines(const ToldChanges& changes, const std::string& heading,
                                       std::size_t leftRows) const {
        std::size_t listed = ToldChanges::kChangesListed;
        for (;;) {
            std::vector<std::string> told{heading};
            for (const std::string& change : changes.lines(listed))
                for (const std::string& line : wrapped(change, "  ")) told.push_back(line);
            std::string text;
            for (const std::string& line : told) text += line + "\n";
            if (!asked || listed == 0 || above() + consoleRows(text) + leftRows + 1 <= kScreenLines) return told;
            --listed;
        }
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
        std::vector<std::pair<std::string, std::string>> promised;  // each key and value written
        for (const Warning& warning : applied) {
            std::istringstream lines(warning.writeInstead);
            for (std::string line; std::getline(lines, line);)
                if (const std::size_t equals = line.find('='); equals != std::string::npos)
                    promised.emplace_back(line.substr(0, equals), line.substr(equals + 1));
        }
        for (const auto& [key, value] : promised) {
            for (const SettingsEntry& entry : check.entries) {
                // A line fixed in one round may be fixed again in the next: any of the key's values is kept.
                const bool kept = std::any_of(promised.begin(), promised.end(), [&](const auto& other) {
                    return other.first == key && entry.storedText == other.second;
                });
                if (entry.key == key && !kept)
                    return key + " reads \"" + entry.storedText.value_or("") + "\", not \"" + value + "\"";
            }
        }
        return {};
    }

    const DoctorOptions& options;
    std::ostream& out;
    std::ostream& err;
    std::string readPath;
    SettingsCheck check;
    ReportContext context;
    bool asked = false;  // the fix was asked for at the console
    const profile_text::Reader reader = gameReader();
};

}  // namespace

profile_text::Reader gameReader() {
    return gameRunsOnWine() ? profile_text::Reader::Wine : profile_text::Reader::Windows;
}

bool ask(std::istream& answers, std::ostream& out, const std::string& question) {
    out << question << " [y/N] " << std::flush;
    for (int round = 0; round < 2; ++round) {
        std::string answer;
        // Closed input prints no Enter of its own: the next text starts on a line of its own.
        if (!std::getline(answers, answer)) return out << "\n", false;
        answerTyped(out, answer);
        const std::string word = profile_text::lowerAscii(std::string(profile_text::trim(answer)));
        if (word == "y" || word == "yes") return true;
        if (word.empty() || word == "n" || word == "no") return false;
        out << (round == 0 ? "Please answer y or n: " : "Taken as no.\n") << std::flush;
    }
    return false;
}

void say(std::ostream& out, const std::string& text, const std::string& indent, const std::string& first) {
    for (const std::string& line : wrapped(text, indent, first)) out << line << "\n";
}

std::string readAnswer(std::istream& answers, std::ostream& out, const std::string& question) {
    out << question << " " << std::flush;
    std::string answer;
    if (!std::getline(answers, answer)) out << "\n";
    else answerTyped(out, answer);
    return std::string(profile_text::trim(answer));
}

int doctorSettingsFile(const DoctorOptions& options, const std::string& readPath, std::ostream& out,
                       std::ostream& err, std::istream* answers) {
    return Doctor(options, out, err).run(readPath, answers);
}
