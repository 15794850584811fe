#include "doctor/report.h"

#include <algorithm>
#include <string>
#include <vector>

#include "settings/settings_file.h"

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

constexpr std::size_t kLineWidth = 79;

// `text` in lines of at most kLineWidth characters, each after `indent`; words longer than a
// line stay whole.
void printWrapped(std::ostream& out, const std::string& text, const std::string& indent) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t room = kLineWidth - indent.size();
        std::size_t end = text.size();
        if (end - start > room) {
            end = text.rfind(' ', start + room);
            if (end == std::string::npos || end <= start) end = text.find(' ', start + room);
            if (end == std::string::npos) end = text.size();
        }
        out << indent << text.substr(start, end - start) << "\n";
        start = end;
        while (start < text.size() && text[start] == ' ') ++start;
    }
}

// Consecutive warnings of missing keys of one section are told as one.
struct WarningGroup {
    std::vector<const Warning*> members;
};

std::vector<WarningGroup> grouped(const std::vector<Warning>& warnings) {
    std::vector<WarningGroup> groups;
    for (const Warning& warning : warnings) {
        const bool joins = !groups.empty() && warning.kind == WarningKind::MissingKey && warning.line == 0 &&
                           groups.back().members.front()->kind == WarningKind::MissingKey &&
                           groups.back().members.front()->line == 0 &&
                           groups.back().members.front()->section == warning.section;
        if (joins) groups.back().members.push_back(&warning);
        else groups.push_back(WarningGroup{{&warning}});
    }
    return groups;
}

void printWarning(std::ostream& out, const WarningGroup& group) {
    const Warning& warning = *group.members.front();
    std::string where;
    if (warning.line != 0) where += "line " + std::to_string(warning.line) + ": ";
    if (!warning.section.empty()) where += "[" + warning.section + "]";
    for (const Warning* member : group.members)
        if (!member->key.empty()) where += (member == group.members.front() ? " " : ", ") + member->key;
    std::string explanation;
    std::string writeInstead;
    for (const Warning* member : group.members) {
        explanation += (explanation.empty() ? "" : "; ") + member->explanation;
        if (!member->writeInstead.empty())
            writeInstead += (writeInstead.empty() ? "" : " and ") + member->writeInstead;
    }
    if (group.members.size() == 2 && warning.kind == WarningKind::MissingKey && warning.section != kSettingsSection)
        explanation = "both missing: they read as 0 and 0.0, so peds get accuracy 0 and deal no damage";
    if (!where.empty()) out << "  " << where << "\n";
    printWrapped(out, explanation, where.empty() ? "  " : "    ");
    if (!writeInstead.empty()) printWrapped(out, "write instead: " + writeInstead, "    ");
}

void printWarnings(std::ostream& out, const std::vector<Warning>& warnings) {
    const std::vector<WarningGroup> groups = grouped(warnings);
    const std::size_t count = groups.size();
    out << count << (count == 1 ? " warning:\n" : " warnings:\n");
    for (const WarningGroup& group : groups) printWarning(out, group);
}

void printHeading(std::ostream& out, const SettingsCheck& check, const ReportOptions& options) {
    if (!options.program.empty()) out << options.program << ", ";
    out << "settings file " << check.path << "\n";
}

}  // namespace

std::string doctorCommand(const std::string& option, const std::string& path) {
    return "veltrane-doctor " + option + " \"" + path + "\"";
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
            printWrapped(out, "to write the default file there now: " + doctorCommand("--write-defaults", check.path),
                         "    ");
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
        else printWrapped(out, "To see the " + std::to_string(check.details.size()) + " warnings it stands for: " +
                                   doctorCommand("--details", check.path), "  ");
    }
    if (const std::size_t fixable = check.fixableLines) {
        printWrapped(out,
                     "To write " + (fixable == 1 ? std::string("this line") : "these " + std::to_string(fixable) + " lines") +
                         " into the file (the original is kept as a backup): " + doctorCommand("--fix", check.path),
                     "");
    }
}
