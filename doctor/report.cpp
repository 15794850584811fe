#include "doctor/report.h"

#include <algorithm>
#include <string>

#include "tuning/tuning_pass.h"

namespace {

constexpr std::size_t kKeyColumn = 28;
constexpr std::size_t kTextColumn = 18;
constexpr std::size_t kValueColumn = 13;
// Longer stored texts are shortened in the table; the warnings show the start of them too.
constexpr std::size_t kShownText = 12;

std::string shown(const std::string& text, std::size_t limit) {
    if (text.size() <= limit) return "\"" + text + "\"";
    return "\"" + text.substr(0, limit) + "...\"";
}

std::string storedColumn(const SettingsEntry& entry) {
    return entry.storedText ? shown(*entry.storedText, kShownText) : "missing";
}

void pad(std::ostream& out, const std::string& text, std::size_t width) {
    out << text;
    // At least one space, so an over-long cell never runs into the next.
    out << std::string(text.size() < width ? width - text.size() : 1, ' ');
}

void printTable(std::ostream& out, const SettingsCheck& check) {
    pad(out, "Section / key", kKeyColumn);
    pad(out, "Text stored", kTextColumn);
    pad(out, "Value read", kValueColumn);
    out << "In play\n";
    std::string section;
    for (const SettingsEntry& entry : check.entries) {
        if (entry.section != section) {
            section = entry.section;
            out << "[" << section << "]\n";
        }
        pad(out, "  " + entry.key, kKeyColumn);
        pad(out, storedColumn(entry), kTextColumn);
        pad(out, valueText(entry), kValueColumn);
        out << meaningInPlay(entry) << "\n";
    }
    const bool sentinel = std::any_of(check.entries.begin(), check.entries.end(), [](const SettingsEntry& entry) {
        return entry.type == ValueType::Accuracy && entry.accuracy == kAccuracySentinel;
    });
    if (sentinel) {
        out << "\n12829: in every frame the plugin takes the accuracy of the first ped that is not exempt and\n"
               "OR-s 44 into it (a ped at 50 gives 62, at 0 gives 44). A ped at 64 or more gives more than 100,\n"
               "and an accuracy outside 0 to 100 is never applied: peds then keep their own.\n";
    }
}

void printWarning(std::ostream& out, const Warning& warning) {
    out << "  ";
    if (warning.line != 0) out << "line " << warning.line << ": ";
    if (!warning.section.empty()) out << "[" << warning.section << "]";
    if (!warning.key.empty()) out << " " << warning.key;
    if (!warning.section.empty() || !warning.key.empty()) out << "\n    ";
    out << warning.explanation << "\n";
    if (!warning.writeInstead.empty()) out << "    write instead: " << warning.writeInstead << "\n";
}

void printWarnings(std::ostream& out, const SettingsCheck& check) {
    const std::size_t count = check.warnings.size();
    out << count << (count == 1 ? " warning:\n" : " warnings:\n");
    for (const Warning& warning : check.warnings) printWarning(out, warning);
}

}  // namespace

void printReport(std::ostream& out, const SettingsCheck& check, bool quiet) {
    if (!quiet) out << "Settings file: " << check.path << "\n\n";
    switch (check.state) {
        case FileState::Unreadable:
            out << check.path << " can't be read (a folder of that name, or access denied). The plugin then reads "
                                 "every value as its default: the switch is off and no ped is tuned.\n";
            return;
        case FileState::Missing:
            printWarnings(out, check);
            out << "    run \"veltrane-doctor --write-defaults\" to write it now\n";
            return;
        case FileState::Readable: break;
    }
    if (!quiet) {
        printTable(out, check);
        out << "\n";
    }
    if (!check.warnings.empty()) printWarnings(out, check);
    else if (!quiet) out << "No warnings: the plugin reads every value as written.\n";
}
