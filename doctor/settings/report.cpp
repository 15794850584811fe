#include "doctor/settings/report.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "doctor/os/os.h"
#include "doctor/settings/near_names.h"
#include "settings/settings_file.h"
#include "tuning/accuracy_rules.h"

namespace {

using Lines = std::vector<std::string>;

constexpr std::size_t kWeatherColumn = 15;
constexpr std::size_t kAccuracyColumn = 32;
constexpr std::size_t kLineWidth = 79;
// What --quiet prints at most, beside six lines of warnings whatever comes first.
constexpr std::size_t kQuietLines = 12;

std::string padded(const std::string& text, std::size_t width) {
    // At least one space, so an over-long cell never runs into the next.
    return text + std::string(text.size() < width ? width - text.size() : 1, ' ');
}

void append(Lines& lines, const Lines& more) { lines.insert(lines.end(), more.begin(), more.end()); }


std::string cell(const SettingsEntry& entry) { return valueText(entry) + ": " + meaningInPlay(entry); }

bool followsFirstPed(const SettingsEntry& entry) {
    return entry.type == ValueType::Accuracy && entry.accuracy == kAccuracySentinel;
}

// The switch on top, then one row per weather: its accuracy and damage modifier entries follow
// each other in the check. `grouped` puts weathers whose two cells are the same into one row.
Lines table(const SettingsCheck& check, bool grouped) {
    const SettingsEntry& enabled = check.entries.front();
    Lines lines{"Switch: " + std::string(kEnabledKey) + " is " + valueText(enabled) + ", " + meaningInPlay(enabled),
                padded("Weather", kWeatherColumn) + padded("Accuracy", kAccuracyColumn) + "Damage modifier"};
    struct Row {
        std::vector<std::string> weathers;
        std::string accuracy, damage;
    };
    std::vector<Row> rows;
    for (std::size_t i = 1; i + 1 < check.entries.size(); i += 2) {
        const Row row{{check.entries[i].weather->name}, cell(check.entries[i]), cell(check.entries[i + 1])};
        const auto same = std::find_if(rows.begin(), rows.end(), [&](const Row& r) {
            return grouped && r.accuracy == row.accuracy && r.damage == row.damage;
        });
        if (same == rows.end()) rows.push_back(row);
        else same->weathers.push_back(row.weathers.front());
    }
    for (const Row& row : rows) {
        const std::string name =
            row.weathers.size() == 1 ? row.weathers.front()
                                     : row.weathers.front() + " +" + std::to_string(row.weathers.size() - 1);
        lines.push_back(padded(name, kWeatherColumn) + padded(row.accuracy, kAccuracyColumn) + row.damage);
    }
    if (std::any_of(check.entries.begin(), check.entries.end(), followsFirstPed))
        lines.push_back("* each frame, the first ped's accuracy OR " + std::to_string(kFollowedAccuracyBits) +
                        " (50 gives " + std::to_string(50 | kFollowedAccuracyBits) + "); applied if <= 100");
    append(lines, wrapped("A weather other than these " + std::to_string(weatherTable.size()) +
                              " keeps the last one's values; until the game reports one of them, peds get "
                              "accuracy 0 and damage modifier 0 (no damage).",
                          ""));
    return lines;
}

// Warnings told as one: those of one kind, and the weathers with neither value.
struct WarningGroup {
    std::vector<const Warning*> members;
    bool noValues = false;  // weathers whose two keys are both missing
};

// The keys that read as a damage modifier of 0 (no damage) or far above normal ("150%" reads as
// 150 times the damage), or as perfect aim: warnings about them come first.
std::vector<std::string> keysWithHarmfulValues(const SettingsCheck& check) {
    std::vector<std::string> keys;
    for (const SettingsEntry& entry : check.entries) {
        const bool harmfulDamage = entry.type == ValueType::DamageModifier &&
                                   (entry.damageModifier == 0.0f || entry.damageModifier > kLargestUsualDamage);
        const bool perfectAim = entry.type == ValueType::Accuracy && entry.accuracy == 100;
        if (harmfulDamage || perfectAim) keys.push_back(entry.key);
    }
    return keys;
}

Harm harmIn(const Warning& warning, const std::vector<std::string>& harmful) {
    auto isHarmfulKey = [&](const std::string& key) { return std::count(harmful.begin(), harmful.end(), key) > 0; };
    const bool causesHarm = isHarmfulKey(warning.key) ||
                            std::any_of(warning.supplies.begin(), warning.supplies.end(), isHarmfulKey);
    return harmWhere(warning.kind, warning.section == kSettingsSection || warning.key == kEnabledKey, causesHarm);
}

// Which value a warning is about: an accuracy and a damage modifier read alike can still mean
// different things ("35%" is 35, "150%" is 1.5), so they are never one group.
char valueTypeOf(const Warning& warning) {
    // The start the weather table's keys of a type share, up to the "_": "Accuracy", "DamageMod".
    auto startsAs = [&](std::string_view key) { return warning.key.rfind(key.substr(0, key.find('_')), 0) == 0; };
    if (startsAs(weatherTable.front().accuracyKey)) return 'a';
    if (startsAs(weatherTable.front().damageModKey)) return 'd';
    return warning.key.empty() ? 's' : 'k';
}

std::vector<WarningGroup> groupedWarnings(const std::vector<Warning>& warnings, bool details,
                                          const std::vector<std::string>& harmful) {
    std::vector<const Warning*> ordered;
    for (const Warning& warning : warnings) ordered.push_back(&warning);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [&](const Warning* a, const Warning* b) { return harmIn(*a, harmful) < harmIn(*b, harmful); });
    std::vector<WarningGroup> groups;
    for (const Warning* warning : ordered) {
        if (details) {
            groups.push_back(WarningGroup{{warning}, false});
            continue;
        }
        const bool noValues = weatherHasNoValues(*warning, warnings);
        const auto joins = [&](const WarningGroup& g) {
            const Warning& first = *g.members.front();
            if (noValues || g.noValues) return noValues && g.noValues;
            return first.kind == warning->kind && harmIn(first, harmful) == harmIn(*warning, harmful) &&
                   valueTypeOf(first) == valueTypeOf(*warning);
        };
        const auto group = std::find_if(groups.begin(), groups.end(), joins);
        if (group != groups.end()) group->members.push_back(warning);
        else groups.push_back(WarningGroup{{warning}, noValues});
    }
    return groups;
}

std::string whereOf(const Warning& warning) {
    std::string where;
    if (warning.line != 0) where += "line " + std::to_string(warning.line) + ": ";
    if (!warning.section.empty()) where += "[" + warning.section + "]";
    if (!warning.key.empty()) where += " " + warning.key;
    return where;
}

// What the player does about one warning: what --fix writes, or what to choose.
Lines remedy(const Warning& warning) {
    if (warning.certain && warning.writeInstead.find('\n') != std::string::npos) {
        std::string lines;
        for (char c : warning.writeInstead) lines += c == '\n' ? std::string(", then ") : std::string(1, c);
        return wrapped("write instead, each on a line of its own: " + lines, "    ");
    }
    if (warning.certain && !warning.writeInstead.empty())
        return wrapped("write instead: " + warning.writeInstead, "    ");
    if (!warning.choices.empty()) {
        std::string text = "--fix leaves this line to you; write ";
        for (std::size_t i = 0; i < warning.choices.size(); ++i)
            text += (i == 0 ? "" : i + 1 == warning.choices.size() ? " or " : ", ") + warning.choices[i];
        return wrapped(text, "    ");
    }
    return {};
}

Lines groupLines(const WarningGroup& group) {
    const Warning& first = *group.members.front();
    Lines lines;
    if (group.noValues) {
        std::vector<std::string> weathers;
        for (const Warning* member : group.members)
            if (std::find(weathers.begin(), weathers.end(), member->section) == weathers.end())
                weathers.push_back(member->section);
        for (std::string& name : weathers) name = shownSectionName(name);
        const std::string count = std::to_string(weathers.size());
        return wrapped((weathers.size() == 1 ? std::string("1 weather has") : count + " weathers have") +
                           " no values in the file: " + listed(weathers) +
                           ". Peds get accuracy 0 and deal no damage in " + (weathers.size() == 1 ? "it" : "them") +
                           "; --fix adds the default values (" + defaultValueText(ValueType::Accuracy) + " and " +
                           defaultValueText(ValueType::DamageModifier) + ")",
                       "  ");
    }
    if (group.members.size() == 1) {
        const std::string where = whereOf(first);
        if (!where.empty()) lines.push_back("  " + where);
        append(lines, wrapped(first.explanation, where.empty() ? "  " : "    "));
        append(lines, remedy(first));
        return lines;
    }
    std::vector<std::string> places;
    std::size_t certain = 0;
    for (const Warning* member : group.members) {
        places.push_back((member->line ? std::to_string(member->line) + " " : std::string()) +
                         (member->key.empty() ? "[" + member->section + "]" : member->key));
        if (member->certain && !member->writeInstead.empty()) ++certain;
    }
    append(lines, wrapped(std::to_string(group.members.size()) + " alike: " + listed(places, 5), "  "));
    append(lines, wrapped("the first, " + whereOf(first) + ": " + first.explanation, "    "));
    append(lines, remedy(first));
    if (certain > 0 && certain < group.members.size())
        append(lines, wrapped("--fix writes " + std::to_string(certain) + " of them; the others are yours to choose",
                              "    "));
    return lines;
}

// `inRows`: at the console, where the rows are counted, the rest is told in a line without a
// command (the path alone may fill a row).
Lines warningLines(const std::vector<Warning>& warnings, bool details, std::size_t budget, const std::string& path,
                   const std::vector<std::string>& harmful = {}, bool inRows = false) {
    const std::vector<WarningGroup> groups = groupedWarnings(warnings, details, harmful);
    Lines lines{std::to_string(warnings.size()) + (warnings.size() == 1 ? " warning:" : " warnings:")};
    for (std::size_t i = 0; i < groups.size(); ++i) {
        const Lines more = groupLines(groups[i]);
        // "N more" follows at least one warning shown.
        if (!details && i > 0 && lines.size() + more.size() + 1 > budget) {
            std::size_t left = 0;
            for (std::size_t j = i; j < groups.size(); ++j) left += groups[j].members.size();
            if (inRows) {
                lines.push_back("  " + std::to_string(left) + " more (the doctor's --details shows every one)");
                break;
            }
            lines.push_back("  " + std::to_string(left) + " more; to see every one:");
            lines.push_back("    " + doctorCommand("--details", path));
            break;
        }
        append(lines, more);
    }
    return lines;
}

// The findings that matter most, before anything else: the switch, weathers without damage.
Lines headline(const SettingsCheck& check) {
    Lines lines;
    if (check.entries.empty()) return lines;
    const SettingsEntry& enabled = check.entries.front();
    if (!enabled.switchOn)
        append(lines, wrapped("The switch is off (" + std::string(kEnabledKey) +
                                  (enabled.storedText ? " is " + valueText(enabled) : " is missing") +
                                  "): the plugin leaves every ped alone.",
                              ""));
    std::vector<std::string> noDamage;
    for (const SettingsEntry& entry : check.entries)
        if (entry.type == ValueType::DamageModifier && entry.damageModifier == 0.0f)
            noDamage.push_back(entry.weather->name);
    if (!noDamage.empty())
        append(lines, wrapped("Peds deal no damage in " + std::to_string(noDamage.size()) +
                                  (noDamage.size() == 1 ? " weather: " : " weathers: ") + listed(noDamage) + ".",
                              ""));
    return lines;
}

Lines headingLines(const SettingsCheck& check, const ReportOptions& options, const ReportContext& context) {
    std::string text = options.program.empty() ? "" : options.program + ", ";
    text += "settings file " + check.path;
    // A path that already names the folder it is read in is not followed by that folder again.
    if (!context.folder.empty() && check.path.rfind(context.folder, 0) != 0) text += " in " + context.folder;
    // The table is what the system the game runs on reads; where the other one reads the file
    // otherwise, that too, as the same file may be played there.
    const bool onWine = check.reader == profile_text::Reader::Wine;
    if (!context.wineVersion.empty())
        text += "; on Wine " + context.wineVersion + " (or Proton), shown as " + (onWine ? "Wine" : "Windows") +
                " reads it";
    else if (onWine)
        text += "; shown as Wine and Proton read it";
    Lines lines = wrapped(text, "");
    const std::string otherwise =
        onWine ? "On Windows the plugin would read " : "Under Wine or Proton the plugin reads ";
    if (!check.readOtherwise.empty()) append(lines, wrapped(otherwise + listed(check.readOtherwise, 4) + ".", ""));
    return lines;
}

Lines nearNameLines(const ReportContext& context) {
    Lines lines;
    for (const std::string& name : context.nearNames)
        append(lines, wrapped(renameAdvice(name, kSettingsFileBareName), "  "));
    return lines;
}

void print(std::ostream& out, const Lines& lines) {
    for (const std::string& line : lines) out << line << "\n";
}

}  // namespace

std::string shownSectionName(const std::string& section) {
    for (const WeatherEntry& weather : weatherTable)
        if (section == weather.section) return weather.name;
    return section;
}

std::vector<std::string> wrapped(const std::string& text, const std::string& indent) {
    return wrapped(text, indent, indent);
}

namespace {

// Where `text` may break: at a blank, but never inside a command for the player to type: not
// within quotes that close, not before an option ("--install"), not between an option and its
// value. A copied command must come out whole.
std::vector<bool> breakable(const std::string& text) {
    std::vector<bool> breaks(text.size(), false);
    const auto startsOption = [&](std::size_t at) { return text.compare(at, 2, "--") == 0; };
    bool quoted = false;
    std::size_t wordStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"' && (quoted || text.find('"', i + 1) != std::string::npos)) quoted = !quoted;
        if (text[i] != ' ' || quoted) continue;
        breaks[i] = !startsOption(wordStart) && !(i + 1 < text.size() && startsOption(i + 1));
        wordStart = i + 1;
    }
    return breaks;
}

}  // namespace

std::vector<std::string> wrapped(const std::string& text, const std::string& indent, const std::string& first) {
    const std::vector<bool> breaks = breakable(text);
    const auto lastBreak = [&](std::size_t from, std::size_t to) {  // the last in [from, to], or npos
        for (std::size_t at = std::min(to, text.size() - 1) + 1; at-- > from;)
            if (breaks[at]) return at;
        return std::string::npos;
    };
    const auto nextBreak = [&](std::size_t from) {
        for (std::size_t at = from; at < text.size(); ++at)
            if (breaks[at]) return at;
        return text.size();
    };
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::string& prefix = lines.empty() ? first : indent;
        const std::size_t room = kLineWidth > prefix.size() ? kLineWidth - prefix.size() : 1;
        std::size_t end = text.size();
        if (end - start > room) {
            end = lastBreak(start + 1, start + room);
            // A word (or a command) longer than the line stays whole.
            if (end == std::string::npos) end = nextBreak(start + room);
        }
        lines.push_back(prefix + text.substr(start, end - start));
        start = end;
        while (start < text.size() && text[start] == ' ') ++start;
    }
    return lines;
}

std::string listed(const std::vector<std::string>& names, std::size_t most) {
    std::string text;
    for (std::size_t i = 0; i < names.size() && i < most; ++i) text += (i == 0 ? "" : ", ") + names[i];
    if (names.size() > most) text += " and " + std::to_string(names.size() - most) + " more";
    return text;
}

std::size_t consoleRows(const std::string& text) {
    ConsoleRows rows;
    for (const char c : text) rows.put(c);
    return rows.filled();
}

std::string doctorCommand(const std::string& option, const std::string& path) {
    return doctorAsTyped() + " " + option + " \"" + path + "\"";
}

void printReport(std::ostream& out, const SettingsCheck& check, const ReportOptions& options,
                 const ReportContext& context) {
    switch (check.state) {
        case FileState::Folder:
            if (check.pluginsFileName) {
                print(out, wrapped(check.path + " is a folder: the game folder holds a folder of the settings file's "
                                                "name. The plugin can then neither read its file nor write it anew, so "
                                                "it reads every value as 0: the switch is off and no ped is tuned. "
                                                "Rename or remove that folder.",
                                   ""));
            } else {
                out << check.path << " is a folder, not a settings file.\n";
            }
            return;
        case FileState::Unreadable:
            print(out, wrapped(check.path + " can't be read (access denied). The plugin then reads every value as 0: "
                                            "the switch is off and no ped is tuned.",
                               ""));
            return;
        case FileState::Missing: {
            Lines lines = options.quiet ? Lines{} : headingLines(check, options, context);
            append(lines, warningLines(check.warnings, true, kScreenLines, check.path));
            append(lines, nearNameLines(context));
            if (context.folderWritable) {
                lines.push_back("  To write the default file there now:");
                lines.push_back("    " + doctorCommand("--write-defaults", check.path));
            } else {
                lines.push_back("  The folder can't be written: give it write access first.");
            }
            print(out, lines);
            return;
        }
        case FileState::Readable: break;
    }
    Lines lines;
    const bool foreignName = !check.pluginsFileName;
    const std::string pluginsName = kSettingsFileBareName;
    if (foreignName)
        append(lines, wrapped("The plugin never reads this file: its name is not " + pluginsName + ".", ""));
    if (!options.quiet) append(lines, headingLines(check, options, context));
    append(lines, headline(check));
    Lines fixOffer;
    if (const std::size_t fixable = context.fixable) {
        const std::string which = fixable == 1 ? "this line" : "these " + std::to_string(fixable) + " lines";
        fixOffer = wrapped("To write " + which + " into the file (the original is kept as a backup):", "");
        if (options.quiet) fixOffer.clear();
        fixOffer.push_back("  " + doctorCommand("--fix", check.path));
    }
    if (options.quiet) {
        // A few lines: the worst findings and how to see the rest.
        if (!check.warnings.empty()) {
            // The quiet report fits a dozen lines, whatever came before the warnings.
            std::size_t budget = lines.size() + 6 < kQuietLines ? kQuietLines - lines.size() : 6;
            // At the console, no more than the screen has left (at least one warning is shown).
            if (context.rowsLeft > 0)
                budget = std::min(budget, context.rowsLeft > lines.size() ? context.rowsLeft - lines.size() : 1);
            append(lines, warningLines(check.warnings, false, budget, check.path, keysWithHarmfulValues(check),
                                       context.rowsLeft > 0));
        }
        print(out, lines);
        return;
    }
    const std::size_t screen = kScreenLines > context.linesAbove + 12 ? kScreenLines - context.linesAbove : 12;
    Lines full = table(check, false);
    Lines rest;
    if (check.warnings.empty()) {
        rest.push_back("No warnings: the plugin reads every value as written.");
    } else {
        const std::vector<Warning>& shown = options.details ? allWarnings(check) : check.warnings;
        const std::size_t used = lines.size() + fixOffer.size();
        const std::size_t tableLines = options.details ? full.size() : std::min(full.size(), table(check, true).size());
        const std::size_t budget = screen > used + tableLines ? screen - used - tableLines : 4;
        rest = warningLines(shown, options.details, std::max<std::size_t>(budget, 4), check.path,
                            keysWithHarmfulValues(check));
        if (!check.details.empty() && !options.details)
            append(rest, Lines{"  To see the " + std::to_string(check.details.size()) + " warnings it stands for:",
                               "    " + doctorCommand("--details", check.path)});
    }
    const bool fits = lines.size() + full.size() + rest.size() + fixOffer.size() <= screen;
    append(lines, options.details || fits ? full : table(check, true));
    append(lines, rest);
    append(lines, fixOffer);
    print(out, lines);
}
