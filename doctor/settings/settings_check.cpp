#include "doctor/settings/settings_check.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>

#include "doctor/os/player_files.h"
#include "doctor/settings/name_check.h"
#include "doctor/settings/name_spelling.h"
#include "doctor/settings/near_names.h"
#include "doctor/settings/platform_differences.h"
#include "settings/ini_reader.h"
#include "settings/settings_file.h"
#include "settings/text_forms.h"
#include "settings/weather_table.h"
#include "tuning/accuracy_rules.h"

using profile_text::detectEncoding;
using profile_text::Encoding;

namespace {

// The stored text as the reader of `lines` reads it (platform/profile_text.h), cut as the
// plugin's reads cut it; none when the key is missing.
void readStoredText(SettingsEntry& entry, const std::vector<profile_text::ProfileLine>& lines) {
    const std::optional<std::string> value = profile_text::valueOf(lines, entry.section, entry.key);
    if (!value) return;
    entry.fullLength = value->size();
    entry.storedText = value->substr(0, kProfileBufferSize - 1);
}

// The values as the plugin's own parse rules make them; a missing key reads as the reads'
// default, 0.
void readValue(SettingsEntry& entry) {
    const std::string text = entry.storedText.value_or("0");
    switch (entry.type) {
        case ValueType::Switch:
            entry.switchOn = parseBool(text);
            // The number behind it, as the switch is parsed: "2" is on, and shown as 2.
            entry.switchNumber = parseInt(text);
            break;
        case ValueType::Accuracy: entry.accuracy = parseInt(text); break;
        case ValueType::DamageModifier: entry.damageModifier = parseFloat(text); break;
    }
}

std::vector<SettingsEntry> knownEntries() {
    std::vector<SettingsEntry> entries{{ValueType::Switch, nullptr, kSettingsSection, kEnabledKey}};
    for (const WeatherEntry& weather : weatherTable) {
        entries.push_back({ValueType::Accuracy, &weather, weather.section, weather.accuracyKey});
        entries.push_back({ValueType::DamageModifier, &weather, weather.section, weather.damageModKey});
    }
    return entries;
}

std::string missingExplanation(ValueType type) {
    switch (type) {
        case ValueType::Switch: return "missing: reads as 0, the switch is off and no ped is tuned";
        case ValueType::Accuracy: return "missing: reads as 0, so peds get accuracy 0";
        case ValueType::DamageModifier:
            return "missing: reads as 0.0, so peds get damage modifier 0.0 and deal no damage";
    }
    return {};
}

// What a surprising value does in play, where that is worse than a slightly different number.
std::string consequence(const SettingsEntry& entry) {
    if (entry.type == ValueType::Accuracy && entry.accuracy != kAccuracySentinel &&
        !inAccuracyRange(entry.accuracy))
        return "; outside 0 to 100, so never applied";
    if (entry.type == ValueType::DamageModifier && entry.damageModifier == 0.0f) return "; peds deal no damage";
    if (entry.type == ValueType::DamageModifier && entry.damageModifier > kLargestUsualDamage)
        return "; peds deal " + floatText(entry.damageModifier) + " times the normal damage";
    if (entry.type == ValueType::DamageModifier && entry.damageModifier < 0.0f) return "; below 0, applied as it is";
    return {};
}

// Where a comment after the value begins: ";" or "#", or "//" as players write it from other
// settings files and code; none: npos.
std::size_t commentStart(const std::string& text) { return std::min(text.find_first_of(";#"), text.find("//")); }

std::optional<ValueFinding> checkText(const SettingsEntry& entry) {
    const std::string& text = *entry.storedText;
    if (entry.fullLength > text.size()) {
        // What the whole text meant is past what is read: a choice.
        ValueFinding cut{WarningKind::ValueCut,
                         "longer than " + std::to_string(kProfileBufferSize - 1) +
                             " characters: only the first ones are read, " + valueText(entry) + " in all",
                         {}};
        cut.choices = {{entry.type == ValueType::DamageModifier ? floatText(entry.damageModifier)
                        : entry.type == ValueType::Accuracy     ? std::string(formatInt(entry.accuracy).c_str())
                                                                : std::string(entry.switchOn ? "1" : "0"),
                        "as read now"}};
        return cut;
    }
    if (const std::size_t comment = commentStart(text); comment != std::string::npos) {
        // A comment after the value: what stands before it is read as a value standing alone,
        // but for quotes around it, which are no longer the text's ends.
        SettingsEntry bare = entry;
        bare.storedText = profile_text::readLine("=" + text.substr(0, comment), profile_text::Reader::Windows).value;
        bare.fullLength = bare.storedText->size();
        readValue(bare);
        std::optional<ValueFinding> found = checkText(bare);
        if (valueText(bare) != valueText(entry)) {
            const std::string said = "quotes are read as part of the value when a comment follows it: reads as " +
                                     valueText(entry) + ". Without them";
            if (!found) found = ValueFinding{WarningKind::StrayCharacters, said + " it is " + valueText(bare),
                                             *bare.storedText};
            else found->explanation = said + ", \"" + *bare.storedText + "\": " + found->explanation;
            found->kind = WarningKind::StrayCharacters;
        }
        // The fix changes the value only: the comment, and the blanks before it, stay.
        std::size_t end = comment;
        while (end > 0 && profile_text::isBlank(text[end - 1])) --end;
        if (found && !found->writeValue.empty()) found->writeValue += text.substr(end);
        return found;
    }
    switch (entry.type) {
        case ValueType::Switch: return checkSwitchText(text, entry.switchOn);
        case ValueType::Accuracy: return checkAccuracyText(text, entry.accuracy);
        case ValueType::DamageModifier: return checkDamageText(text, entry.damageModifier);
    }
    return std::nullopt;
}

// Values read as written that are probably not meant.
std::optional<Warning> caution(const SettingsEntry& entry) {
    if (entry.type == ValueType::Accuracy && entry.accuracy != kAccuracySentinel &&
        !inAccuracyRange(entry.accuracy)) {
        return Warning{WarningKind::AccuracyNeverApplied, 0, entry.section, entry.key,
                       "caution: " + std::to_string(entry.accuracy) +
                           " is outside 0 to 100, so peds' accuracy is never changed (the damage modifier still "
                           "is). For the " +
                           (entry.accuracy < 0 ? "least accurate peds write " + entry.key + "=0"
                                               : "most accurate peds write " + entry.key + "=100") +
                           "; to leave their accuracy alone, keep it",
                       {}};
    }
    if (entry.type == ValueType::DamageModifier && entry.damageModifier == 0.0f) {
        return Warning{WarningKind::NoDamage, 0, entry.section, entry.key, wordsOf(WarningKind::NoDamage), {}};
    }
    if (entry.type == ValueType::DamageModifier && entry.damageModifier > kLargestUsualDamage) {
        const std::string times = floatText(entry.damageModifier);
        return Warning{WarningKind::HugeDamage, 0, entry.section, entry.key,
                       "caution: peds deal " + times + " times the normal damage in this weather (1 is normal, 2 "
                       "double). If you meant a percentage, write " + entry.key + "=" +
                           floatText(entry.damageModifier / 100.0f),
                       {}};
    }
    if (entry.type == ValueType::DamageModifier && entry.damageModifier < 0.0f) {
        return Warning{WarningKind::NegativeDamage, 0, entry.section, entry.key,
                       "caution: the plugin applies the damage modifier " + floatText(entry.damageModifier) +
                           " as it is, though below 0 is probably not meant (1 is normal, 0.5 half, 0 none)",
                       {}};
    }
    return std::nullopt;
}

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A certain suggestion whose value is itself probably not meant ("1e3" is 1000, never applied)
// is a choice: the player evidently wrote that value, but likely did not mean its effect.
// A suggestion whose own text would not read as it looks is no certain one either.
void doubtfulEffect(Warning& warning, const SettingsEntry& entry, const std::string& writeValue) {
    SettingsEntry written = entry;
    written.storedText = writeValue;
    written.fullLength = writeValue.size();
    readValue(written);
    const bool readsAsWritten = !checkText(written);
    if (readsAsWritten && (!caution(written) || valueText(written) == valueText(entry))) return;
    std::string effect = consequence(written);
    if (effect.size() > 2) effect.erase(0, 2);
    warning.certain = false;
    warning.choices = {warning.writeInstead + " (" + (effect.empty() ? "probably not meant" : effect) + ")"};
    if (!readsAsWritten) warning.choices.clear();
    warning.writeInstead.clear();
}

// What the value of one of the plugin's keys calls for: a missing key, text read otherwise
// than it looks, or a value read as written that is probably not meant.
std::optional<Warning> valueWarning(const SettingsEntry& entry, std::size_t line) {
    if (!entry.storedText)
        return Warning{WarningKind::MissingKey, line, entry.section, entry.key, missingExplanation(entry.type),
                       entry.key + "=" + defaultValueText(entry.type)};
    if (const auto found = checkText(entry)) {
        Warning warning{found->kind, line, entry.section, entry.key, found->explanation + consequence(entry),
                        found->writeValue.empty() ? std::string() : entry.key + "=" + found->writeValue};
        warning.certain = found->certain && !found->writeValue.empty();
        for (const ValueChoice& choice : found->choices)
            warning.choices.push_back(entry.key + "=" + choice.value + " (" + choice.note + ")");
        if (warning.certain) doubtfulEffect(warning, entry, found->writeValue);
        return warning;
    }
    if (auto warning = caution(entry)) {
        warning->line = line;
        return warning;
    }
    return std::nullopt;
}

// A key the player wrote under another name, or may have meant elsewhere, is misnamed, not
// missing: no default is added beside their value.
void dropSuppliedMissingKeys(std::vector<Warning>& warnings) {
    std::vector<std::string> supplied;
    for (const Warning& warning : warnings)
        supplied.insert(supplied.end(), warning.supplies.begin(), warning.supplies.end());
    warnings.erase(std::remove_if(warnings.begin(), warnings.end(),
                                  [&](const Warning& w) {
                                      return w.kind == WarningKind::MissingKey &&
                                             std::any_of(supplied.begin(), supplied.end(),
                                                         [&](const std::string& k) { return sameName(k, w.key); });
                                  }),
                   warnings.end());
}

// Files beside the plugin's whose names stand for its name (near_names.h) and that give its
// keys other values: the player's edits, most likely, in a file the plugin never reads.
void checkNearNames(SettingsCheck& check) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::u8path(check.readPath).parent_path();
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file(error)) names.push_back(it->path().filename().u8string());
    std::sort(names.begin(), names.end());
    for (const std::string& name : nearNames(names, kSettingsFileBareName)) {
        const SettingsCheck near = checkSettingsFile((folder / fs::u8path(name)).u8string(), {}, check.reader);
        std::string edits;
        std::size_t count = 0;
        for (std::size_t i = 0; i < near.entries.size() && near.state == FileState::Readable; ++i) {
            const SettingsEntry &there = near.entries[i], &here = check.entries[i];
            if (!there.storedText || valueText(there) == valueText(here) || ++count > 3) continue;
            edits += (count > 1 ? ", " : "") + there.key + "=" + valueText(there) + " (here " + valueText(here) + ")";
        }
        if (count == 0) continue;
        if (count > 3) edits += " and " + std::to_string(count - 3) + " more";
        check.warnings.push_back(Warning{
            WarningKind::EditsInNearName, 0, {}, {},
            "\"" + name + "\" beside this file gives other values: " + edits + ". The plugin reads only " +
                kSettingsFileBareName + ", never " + name + ": the values there do nothing",
            {}});
        check.warnings.back().otherFile = name;
    }
}

// A key missing because the reading shown never finds its section, though the file names it
// (a header read apart, or a byte-order mark before it): the finding on that header tells it,
// and a line added there would be read no better.
bool lostWithItsHeader(const SettingsEntry& entry, const std::vector<profile_text::ProfileLine>& lines,
                       const std::vector<NameLine>& names) {
    return !profile_text::findSection(lines, entry.section) &&
           std::any_of(names.begin(), names.end(),
                       [&](const NameLine& n) { return n.isSection && sameName(n.section, entry.section); });
}

}  // namespace

Fix fixOf(const Warning& warning) {
    if (remedyOf(warning.kind) == Remedy::RemoveMark) return Fix::RemoveByteOrderMark;
    if (!warning.certain || warning.writeInstead.empty()) return Fix::None;
    if (!warning.moveTo.empty()) return Fix::MoveLine;
    return warning.line == 0 ? Fix::AddLine : Fix::ReplaceLine;
}

std::string profilePath(const std::string& path) {
    if (path.find_first_of("/\\:") == std::string::npos) return "./" + path;
    return path;
}

SettingsCheck checkSettingsFile(const std::string& givenPath, const std::string& shownPath,
                                profile_text::Reader reader) {
    SettingsCheck check;
    check.reader = reader;
    check.readPath = profilePath(givenPath);
    check.path = shownPath.empty() ? check.readPath : shownPath;
    check.pluginsFileName = sameName(fileNameOf(givenPath), kSettingsFileBareName);

    SettingsFile file;
    file.setPath(check.readPath);
    if (!file.exists()) {
        check.state = FileState::Missing;
        check.warnings.push_back(Warning{
            WarningKind::FileMissing, 0, {}, {},
            check.pluginsFileName
                ? "no settings file: the plugin reads every value as 0 (the switch off). If this is the folder the "
                  "game starts in, the plugin writes the default file (switch on, every weather " +
                      defaultValueText(ValueType::Accuracy) + " and " + defaultValueText(ValueType::DamageModifier) +
                      ") when the game starts"
                : "no file of this name. The plugin reads only " + std::string(kSettingsFileBareName) +
                      " in the folder the game starts in, never a file of another name",
            {}});
        return check;
    }
    std::error_code ignored;
    if (std::filesystem::is_directory(check.readPath, ignored)) {
        check.state = FileState::Folder;
        return check;
    }
    const std::optional<std::string> read = readBytes(check.readPath);
    if (!read) {
        check.state = FileState::Unreadable;
        return check;
    }
    const std::string& bytes = *read;
    check.encoding = detectEncoding(bytes);
    const std::vector<NameLine> names = scanNames(bytes);

    const std::vector<profile_text::ProfileLine> lines = profile_text::readLines(bytes, reader);
    const std::vector<profile_text::ProfileLine> other =
        profile_text::readLines(bytes, profile_text::otherReader(reader));
    check.entries = knownEntries();
    for (SettingsEntry& entry : check.entries) {
        readStoredText(entry, lines);
        const std::optional<std::string> there = profile_text::valueOf(other, entry.section, entry.key);
        if (there != profile_text::valueOf(lines, entry.section, entry.key))
            check.readOtherwise.push_back(there ? entry.key + "=" + *there : entry.key + " missing");
        readValue(entry);
        if (!entry.storedText && lostWithItsHeader(entry, lines, names)) continue;
        if (auto warning = valueWarning(entry, lineOf(names, entry.section, entry.key)))
            check.warnings.push_back(*warning);
    }
    checkNames(names, check.warnings);
    dropSuppliedMissingKeys(check.warnings);
    checkPlatformDifferences(check.encoding, names, reader, check.warnings);
    // In file order; keys that have no line (missing ones) last.
    std::stable_sort(check.warnings.begin(), check.warnings.end(), [](const Warning& a, const Warning& b) {
        return (a.line == 0 ? SIZE_MAX : a.line) < (b.line == 0 ? SIZE_MAX : b.line);
    });

    if (!namesThePlugin(names, check.warnings)) {
        check.details = std::move(check.warnings);
        // What --fix adds: the missing keys no value of the player's may stand for.
        const auto missingKeys = std::count_if(check.details.begin(), check.details.end(),
                                               [](const Warning& w) { return w.kind == WarningKind::MissingKey; });
        check.warnings = {Warning{
            WarningKind::NoKnownNames, 0, {}, {},
            std::string(check.encoding == Encoding::Utf16WithoutMark
                            ? "the file looks like UTF-16 without a byte-order mark, which neither Windows nor Wine "
                              "reads: "
                            : "") +
                "this file holds none of the plugin's sections or keys, so the plugin reads every value as 0: the "
                "switch is off and no ped is tuned. " +
                (check.encoding == Encoding::Utf16WithoutMark
                     ? "Fix: " + std::string(kSaveAsAnsi)
                     : check.pluginsFileName ? "Fix: delete it, and the plugin writes the default file when the game "
                                               "starts; or let --fix add the default file's " +
                                                   std::to_string(missingKeys) + " entries to it"
                                             : "Is it the file you meant? The plugin reads only " +
                                                   std::string(kSettingsFileBareName) +
                                                   " in the folder the game starts in."),
            {}}};
    }
    if (check.pluginsFileName) checkNearNames(check);
    if (!check.pluginsFileName) {
        check.warnings.insert(check.warnings.begin(),
                              Warning{WarningKind::NotPluginsFile, 0, {}, {},
                                      "the plugin never reads this file: it reads only " +
                                          std::string(kSettingsFileBareName) +
                                          " in the folder the game starts in. If this is your settings file, "
                                          "rename it to " +
                                          kSettingsFileBareName +
                                          " (in File Explorer, View > Show > File name extensions shows the whole "
                                          "name)",
                                      {}});
    }
    return check;
}

std::string valueText(const SettingsEntry& entry) {
    switch (entry.type) {
        case ValueType::Switch: return std::to_string(entry.switchNumber) + (entry.switchOn ? ": on" : ": off");
        case ValueType::Accuracy: return std::to_string(entry.accuracy);
        case ValueType::DamageModifier: return floatText(entry.damageModifier);
    }
    return {};
}

std::string meaningInPlay(const SettingsEntry& entry) {
    switch (entry.type) {
        case ValueType::Switch:
            return entry.switchOn ? "peds get their weather's values in every frame" : "the plugin leaves peds alone";
        case ValueType::Accuracy:
            if (entry.accuracy == kAccuracySentinel) return "follows the first ped *";
            if (inAccuracyRange(entry.accuracy)) return "applied";
            return "never applied";
        case ValueType::DamageModifier:
            if (entry.damageModifier == 0.0f) return "peds deal no damage";
            if (entry.damageModifier == 1.0f) return "normal";
            if (entry.damageModifier < 0.0f) return "applied, below 0";
            return "applied";
    }
    return {};
}

bool weatherHasNoValues(const Warning& missing, const std::vector<Warning>& warnings) {
    return missing.kind == WarningKind::MissingKey && missing.line == 0 && missing.section != kSettingsSection &&
           std::count_if(warnings.begin(), warnings.end(), [&](const Warning& o) {
               return o.kind == WarningKind::MissingKey && o.section == missing.section;
           }) == 2;
}

const std::vector<Warning>& allWarnings(const SettingsCheck& check) {
    return check.details.empty() ? check.warnings : check.details;
}

int exitStatus(const SettingsCheck& check) {
    if (check.state == FileState::Folder || check.state == FileState::Unreadable) return 2;
    return check.warnings.empty() ? 0 : 1;
}
