#include "doctor/report.h"

#include <algorithm>
#include <string>

namespace {

constexpr std::size_t kWeatherColumn = 15;
constexpr std::size_t kAccuracyColumn = 32;

void pad(std::ostream& out, const std::string& text, std::size_t width) {
    out << text;
    // At least one space, so an over-long cell never runs into the next.
    out << std::string(text.size() < width ? width - text.size() : 1, ' ');
}

std::string cell(const SettingsEntry& entry) { return valueText(entry) + ": " + meaningInPlay(entry); }

// The switch on top, then one row per weather: its accuracy and damage modifier entries
// follow each other in the check.
void printTable(std::ostream& out, const SettingsCheck& check) {
    const SettingsEntry& enabled = check.entries.front();
    out << "Switch: Enabled is " << valueText(enabled) << ", " << meaningInPlay(enabled) << "\n";
    pad(out, "Weather", kWeatherColumn);
    pad(out, "Accuracy", kAccuracyColumn);
    out << "Damage modifier\n";
    for (std::size_t i = 1; i + 1 < check.entries.size(); i += 2) {
        const SettingsEntry& accuracy = check.entries[i];
        const SettingsEntry& damage = check.entries[i + 1];
        pad(out, accuracy.weather->name, kWeatherColumn);
        pad(out, cell(accuracy), kAccuracyColumn);
        out << cell(damage) << "\n";
    }
    const bool sentinel = std::any_of(check.entries.begin(), check.entries.end(), [](const SettingsEntry& entry) {
        return entry.type == ValueType::Accuracy && meaningInPlay(entry).back() == '*';
    });
    if (sentinel) out << "* each frame: the first ped's accuracy OR 44 (50 gives 62); applied if 100 or less.\n";
    out << "A weather not listed keeps the last listed one's values; until the game reports\n"
           "a listed one, peds get accuracy 0 and damage modifier 0 (they deal no damage).\n";
}

void printWarning(std::ostream& out, const Warning& warning) {
    out << "  ";
    if (warning.line != 0) out << "line " << warning.line << ": ";
    if (!warning.section.empty()) out << "[" << warning.section << "]";
    if (!warning.key.empty()) out << " " << warning.key;
    if (warning.line != 0 || !warning.section.empty() || !warning.key.empty()) out << "\n    ";
    out << warning.explanation << "\n";
    if (!warning.writeInstead.empty()) out << "    write instead: " << warning.writeInstead << "\n";
}

void printWarnings(std::ostream& out, const std::vector<Warning>& warnings) {
    const std::size_t count = warnings.size();
    out << count << (count == 1 ? " warning:\n" : " warnings:\n");
    for (const Warning& warning : warnings) printWarning(out, warning);
}

void printHeading(std::ostream& out, const SettingsCheck& check, const ReportOptions& options) {
    if (!options.program.empty()) out << options.program << ", ";
    out << "settings file " << check.path << "\n";
}

}  // namespace

std::string doctorCommand(const std::string& option, const std::string& path) {
    return "veltrane-doctor " + option + " \"" + path + "\"";
}

std::size_t fixableCount(const SettingsCheck& check) {
    const std::vector<Warning>& all = check.details.empty() ? check.warnings : check.details;
    return static_cast<std::size_t>(
        std::count_if(all.begin(), all.end(), [](const Warning& w) { return fixOf(w) != Fix::None; }));
}

void printReport(std::ostream& out, const SettingsCheck& check, const ReportOptions& options) {
    switch (check.state) {
        case FileState::Folder:
            if (check.pluginsFileName) {
                out << check.path << " is a folder: the game folder holds a folder of the settings file's name. "
                                     "The plugin can then neither read its file nor write it anew, so it reads "
                                     "every value as 0: the switch is off and no ped is tuned. Rename or remove "
                                     "that folder.\n";
            } else {
                out << check.path << " is a folder, not a settings file.\n";
            }
            return;
        case FileState::Unreadable:
            out << check.path << " can't be read (access denied). The plugin then reads every value as 0: the "
                                 "switch is off and no ped is tuned.\n";
            return;
        case FileState::Missing:
            if (!options.quiet) printHeading(out, check, options);
            printWarnings(out, check.warnings);
            out << "    to write the default file there now: " << doctorCommand("--write-defaults", check.path)
                << "\n";
            return;
        case FileState::Readable: break;
    }
    if (!options.quiet) {
        printHeading(out, check, options);
        printTable(out, check);
    }
    if (check.warnings.empty()) {
        if (!options.quiet) out << "No warnings: the plugin reads every value as written.\n";
        return;
    }
    printWarnings(out, check.warnings);
    if (!check.details.empty()) {
        if (options.details) printWarnings(out, check.details);
        else out << "  the " << check.details.size() << " warnings it stands for: " << doctorCommand("--details", check.path) << "\n";
    }
    if (const std::size_t fixable = fixableCount(check)) {
        out << "To write " << (fixable == 1 ? "this line" : "these " + std::to_string(fixable) + " lines")
            << " into the file (the original is kept as a backup): " << doctorCommand("--fix", check.path) << "\n";
    }
}
