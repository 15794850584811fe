#include "doctor/settings/name_check.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "doctor/settings/value_check.h"
#include "settings/settings_file.h"
#include "settings/weather_table.h"

namespace {

using profile_text::Encoding;
using profile_text::isBlank;
using profile_text::lowerAscii;
using profile_text::trim;

struct KnownNames {
    std::vector<std::string> sections = {kSettingsSection};
    std::vector<std::string> keys = {kEnabledKey};

    KnownNames() {
        for (const WeatherEntry& weather : weatherTable) {
            sections.push_back(weather.section);
            keys.push_back(weather.accuracyKey);
            keys.push_back(weather.damageModKey);
        }
    }
    bool isSection(const std::string& name) const {
        return std::any_of(sections.begin(), sections.end(), [&](const std::string& s) { return sameName(s, name); });
    }
    bool isKey(const std::string& name) const {
        return std::any_of(keys.begin(), keys.end(), [&](const std::string& k) { return sameName(k, name); });
    }
    // The section that holds a known key.
    std::optional<std::string> homeOf(const std::string& key) const {
        for (const WeatherEntry& weather : weatherTable) {
            if (sameName(key, weather.accuracyKey) || sameName(key, weather.damageModKey)) return weather.section;
        }
        if (sameName(key, kEnabledKey)) return std::string(kSettingsSection);
        return std::nullopt;
    }
};

const KnownNames& known() {
    static const KnownNames names;
    return names;
}

std::string lineText(std::size_t line) { return "line " + std::to_string(line); }

// Letters and digits only, lower case: "Weather Type-Rain" is "weathertyperain".
std::string folded(const std::string& name) {
    std::string out;
    for (char c : lowerAscii(name))
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) out += c;
    return out;
}

bool startsWith(const std::string& text, const std::string& start) { return text.compare(0, start.size(), start) == 0; }

const WeatherEntry* weatherNamed(const std::string& foldedName) {
    for (const WeatherEntry& weather : weatherTable)
        if (folded(weather.name) == foldedName) return &weather;
    return nullptr;
}

// A section name that can only mean one weather's: "[Rain]", "[Weather Rain]", "[Rain weather]".
const WeatherEntry* weatherOfSectionName(const std::string& name) {
    std::string rest = folded(name);
    for (const char* prefix : {"weathertype", "weather"})
        if (startsWith(rest, prefix)) rest.erase(0, std::string(prefix).size());
    if (rest.size() > 7 && rest.compare(rest.size() - 7, 7, "weather") == 0) rest.erase(rest.size() - 7);
    return weatherNamed(rest);
}

const WeatherEntry* weatherOfSection(const std::string& section) {
    for (const WeatherEntry& weather : weatherTable)
        if (sameName(weather.section, section)) return &weather;
    return nullptr;
}

// A key name that can only mean one of the plugin's keys: "Accuracy" or "Damage" in a
// weather's section, "Accuracy Rain", "Damage_Rain", "DamageModifier_Rain" anywhere.
std::optional<std::string> keyMeant(const std::string& key, const WeatherEntry* sectionWeather) {
    const std::string name = folded(key);
    static const char* const damageWords[] = {"damagemodifier", "damagemod", "damage", "dmg"};
    auto accuracyOf = [](const WeatherEntry& w) { return std::optional<std::string>(w.accuracyKey); };
    auto damageOf = [](const WeatherEntry& w) { return std::optional<std::string>(w.damageModKey); };
    if (sectionWeather && name == "accuracy") return accuracyOf(*sectionWeather);
    for (const char* word : damageWords)
        if (sectionWeather && name == word) return damageOf(*sectionWeather);
    if (startsWith(name, "accuracy"))
        if (const WeatherEntry* w = weatherNamed(name.substr(8))) return accuracyOf(*w);
    for (const char* word : damageWords)
        if (startsWith(name, word))
            if (const WeatherEntry* w = weatherNamed(name.substr(std::string(word).size()))) return damageOf(*w);
    if (name == "enabled" || name == "enable") return std::string(kEnabledKey);
    return std::nullopt;
}

// `weather`'s key of the same kind as the known key `key`: its accuracy for an accuracy.
std::string sameKindKey(const WeatherEntry& weather, const std::string& key) {
    for (const WeatherEntry& w : weatherTable) {
        if (sameName(key, w.accuracyKey)) return weather.accuracyKey;
        if (sameName(key, w.damageModKey)) return weather.damageModKey;
    }
    return {};
}

// The default file's line for a known key.
std::string defaultLine(const std::string& key) {
    if (sameName(key, kEnabledKey)) return key + "=" + defaultValueText(ValueType::Switch);
    for (const WeatherEntry& weather : weatherTable) {
        if (sameName(key, weather.accuracyKey)) return key + "=" + defaultValueText(ValueType::Accuracy);
        if (sameName(key, weather.damageModKey)) return key + "=" + defaultValueText(ValueType::DamageModifier);
    }
    return key + "=";
}

// The line to write for a known key with the player's value; the default's when they gave none.
std::string keyLine(const std::string& key, const std::string& value) {
    return value.empty() ? defaultLine(key) : key + "=" + value;
}

bool hasSection(const std::vector<NameLine>& names, const std::string& section) {
    return std::any_of(names.begin(), names.end(),
                       [&](const NameLine& n) { return n.isSection && sameName(n.section, section); });
}

// The key lines under `header`, up to the next header.
std::vector<const NameLine*> linesUnder(const std::vector<NameLine>& names, const NameLine& header) {
    std::vector<const NameLine*> lines;
    for (const NameLine& name : names) {
        if (name.line <= header.line) continue;
        if (name.isSection) break;
        lines.push_back(&name);
    }
    return lines;
}

// The keys the lines under `header` stand for once it is renamed to `section`.
std::vector<std::string> keysUnder(const std::vector<NameLine>& names, const NameLine& header, const std::string& section) {
    const WeatherEntry* weather = weatherOfSection(section);
    std::vector<std::string> keys;
    for (const NameLine* name : linesUnder(names, header)) {
        const auto home = known().homeOf(name->key);
        if (home && sameName(*home, section)) keys.push_back(name->key);
        else if (const auto meant = keyMeant(name->key, weather)) keys.push_back(*meant);
    }
    return keys;
}

void makeChoice(Warning& warning, const std::string& why) {
    warning.certain = false;
    warning.writeInstead.clear();
    warning.explanation += why;
}

// Where the checks stand: the section the keys under the last header are read in.
struct Section {
    std::string readAs;        // as the plugin reads it, or will once a certain fix renames the header
    bool searched = true;      // the first section of its name: the only one the profile functions search
    bool read = true;          // the plugin reads it (or will)
    std::vector<const NameLine*> keys;  // the first key of each name so far
};

// A header that names one of the plugin's sections otherwise: renaming it carries the player's
// lines to the plugin, unless the file holds that section already (a second one is never read).
// Once renamed, the keys under it are checked as the section's.
Warning sectionNearMiss(WarningKind kind, const NameLine& header, const std::string& meant,
                        const std::vector<NameLine>& names, const std::string& why, Section& section) {
    Warning warning{kind, header.line, header.section, {}, why, "[" + meant + "]"};
    warning.supplies = keysUnder(names, header, meant);
    if (hasSection(names, meant)) {
        makeChoice(warning, "; the file holds a [" + meant + "] already, and a second one is never read: move the "
                            "lines you mean into it, or delete one");
    } else {
        section.readAs = meant;
        section.read = true;
    }
    return warning;
}

// A key line that stands for one of the plugin's keys: renaming carries the player's value.
Warning keyNearMiss(WarningKind kind, const NameLine& name, const Section& section, const std::string& meant,
                    const std::string& value, const std::vector<NameLine>& names, const std::string& why) {
    Warning warning{kind, name.line, name.section, name.key, why, keyLine(meant, value)};
    warning.supplies = {meant};
    const std::optional<std::string> home = known().homeOf(meant);
    if (home && !sameName(*home, section.readAs)) {
        // Under another weather's header the name is as likely a damaged one of that weather's.
        warning.supplies.clear();
        makeChoice(warning, ", which is read only in section [" + *home + "], not under [" + name.section +
                                "]: write the key you mean, in its section");
    } else if (const std::size_t there = lineOf(names, name.section, meant)) {
        makeChoice(warning, "; the section holds " + meant + " already, on " + lineText(there) +
                                ": keep the value you mean there and delete this line");
    }
    return warning;
}

// Where a key of the plugin's starts in `text`, at or after `from`: its name after a blank,
// then "=".
std::optional<std::size_t> keyStart(std::string_view text, std::size_t from) {
    for (std::size_t at = from; at < text.size(); ++at) {
        if (at > 0 && !isBlank(text[at - 1])) continue;
        for (const std::string& key : known().keys) {
            if (!sameName(text.substr(at, key.size()), key)) continue;
            std::size_t after = at + key.size();
            while (after < text.size() && isBlank(text[after])) ++after;
            if (after < text.size() && text[after] == '=') return at;
        }
    }
    return std::nullopt;
}

// "Accuracy_Rain=35 DamageMod_Rain=0.5": the key lines one line holds; one when it holds one.
std::vector<std::string> keyLinesIn(std::string_view text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (auto at = keyStart(text, 1); at; at = keyStart(text, *at + 1)) {
        parts.emplace_back(trim(text.substr(start, *at - start)));
        start = *at;
    }
    parts.emplace_back(trim(text.substr(start)));
    return parts;
}

std::string keyOf(const std::string& line) { return std::string(trim(std::string_view(line).substr(0, line.find('=')))); }

// Lines written as one, each given a line of its own. Certain when every key after the first
// (`from`) is read in the section it lands in and is the only one of its name there.
Warning lineSplit(const NameLine& line, const Section& section, const std::vector<std::string>& written,
                  std::size_t from, const std::vector<NameLine>& names, const std::string& why) {
    std::string lines;
    for (const std::string& part : written) lines += (lines.empty() ? "" : "\n") + part;
    Warning warning{WarningKind::TwoLinesInOne, line.line, line.section, line.key, why, lines};
    std::string doubt;
    for (std::size_t i = from; i < written.size(); ++i) {
        const std::string key = keyOf(written[i]);
        const auto home = known().homeOf(key);
        if (home) warning.supplies.push_back(key);
        const std::size_t there = lineOf(names, line.section, key);
        bool twice = false;
        for (std::size_t j = 0; j < i; ++j) twice = twice || sameName(keyOf(written[j]), key);
        if (home && !sameName(*home, section.readAs)) doubt = key + " is read only in section [" + *home + "]";
        else if ((there != 0 && there != line.line) || twice)
            doubt = "the section holds " + key + " twice then, and only the first is read";
    }
    if (!doubt.empty()) makeChoice(warning, "; --fix leaves it, as " + doubt + ": write the lines you mean");
    return warning;
}

// Another weather's key where this weather's own is missing: it may be meant as either
// weather's, so it is a choice, and no default goes beside it.
void keyOfAnotherWeather(Warning& warning, const NameLine& name, const std::string& home, const Section& section,
                         const std::vector<NameLine>& names) {
    const WeatherEntry* here = weatherOfSection(section.readAs);
    const WeatherEntry* there = weatherOfSection(home);
    if (!here || !there) return;
    const std::string own = sameKindKey(*here, name.key);
    if (own.empty() || lineOf(names, name.section, own) != 0) return;
    if (warning.certain) warning.choices = {"the line moved to [" + home + "] (" + there->name + ")"};
    warning.choices.insert(warning.choices.begin(), own + "=" + name.value + " (" + here->name + ")");
    if (warning.certain) warning.explanation = "the plugin reads this key only in section [" + home + "]";
    warning.certain = false;
    warning.writeInstead.clear();
    warning.moveTo.clear();
    warning.explanation += "; this section has no " + own + " of its own, so the value may be meant as " +
                           here->name + "'s";
    warning.supplies.push_back(own);
}

// A known key under a section that doesn't hold it: --fix moves it, unless the section it
// belongs in holds it already or it may be meant as this section's.
Warning keyElsewhere(const NameLine& name, const std::string& home, const Section& section,
                     const std::vector<NameLine>& names) {
    Warning warning{WarningKind::KeyInOtherSection, name.line, name.section, name.key,
                    "the plugin reads this key only in section [" + home + "]: --fix moves the line there",
                    keyLine(name.key, name.value)};
    warning.moveTo = home;
    warning.supplies = {name.key};
    if (const std::size_t there = lineOf(names, home, name.key)) {
        warning.moveTo.clear();
        warning.certain = false;
        warning.writeInstead.clear();
        warning.explanation = "the plugin reads this key only in section [" + home + "], which holds it already on " +
                              lineText(there) + " (read there). Keep the value you mean there and delete this line";
    }
    keyOfAnotherWeather(warning, name, home, section, names);
    return warning;
}

// "Accuracy_Rain: 35", "Accuracy_Rain 35": a key and its value without the "=".
std::optional<Warning> keyWithoutEquals(const NameLine& name, const Section& section,
                                        const std::vector<NameLine>& names) {
    const std::size_t gap = name.value.empty() ? name.key.find_first_of(": \t") : std::string::npos;
    if (gap == std::string::npos) return std::nullopt;
    const std::string head = name.key.substr(0, gap);
    std::string value = name.key.substr(gap);
    while (!value.empty() && (value.front() == ':' || isBlank(value.front()))) value.erase(0, 1);
    std::optional<std::string> meant = known().isKey(head) ? std::optional<std::string>(head) : std::nullopt;
    if (!meant) meant = keyMeant(head, weatherOfSection(section.readAs));
    if (!meant || value.empty()) return std::nullopt;
    return keyNearMiss(WarningKind::NearMissName, name, section, *meant, value, names,
                       "a line the plugin never reads: a key and its value are joined by \"=\"");
}

// A key the plugin never asks for that can only mean one of its own.
void checkUnknownKey(const NameLine& name, const Section& section, const std::vector<NameLine>& names,
                     std::vector<Warning>& warnings) {
    if (auto joined = keyWithoutEquals(name, section, names)) {
        warnings.push_back(*joined);
    } else if (const auto meant = nearestName(name.key, known().keys)) {
        warnings.push_back(keyNearMiss(WarningKind::MisspeltName, name, section, *meant, name.value, names,
                                       "a key the plugin never reads; the one it reads is spelt \"" + *meant + "\""));
    } else if (const auto shorthand = keyMeant(name.key, weatherOfSection(section.readAs))) {
        warnings.push_back(keyNearMiss(WarningKind::NearMissName, name, section, *shorthand, name.value, names,
                                       "a key the plugin never reads; here it can only mean " + *shorthand));
    }
}

void checkKey(const NameLine& name, Section& section, const std::vector<NameLine>& names,
              std::vector<Warning>& warnings) {
    // Keys of a second section, or of one the plugin never reads, are that section's warning.
    if (!section.searched || !section.read) return;
    const std::vector<std::string> parts = keyLinesIn(name.key + "=" + name.value);
    if (name.hasEquals && parts.size() > 1) {
        warnings.push_back(lineSplit(name, section, parts, 1, names,
                                     "two keys on one line: the plugin reads all of \"" + name.value + "\" as " +
                                         name.key + "'s value, and never the keys after it. Each key needs a line "
                                         "of its own"));
        return;
    }
    const auto home = known().homeOf(name.key);
    if (!home) return checkUnknownKey(name, section, names, warnings);
    if (!sameName(*home, section.readAs)) {
        warnings.push_back(keyElsewhere(name, *home, section, names));
        return;
    }
    const auto earlier = std::find_if(section.keys.begin(), section.keys.end(),
                                      [&](const NameLine* k) { return sameName(k->key, name.key); });
    if (earlier == section.keys.end()) {
        section.keys.push_back(&name);
        return;
    }
    warnings.push_back(Warning{WarningKind::DuplicateKey, name.line, name.section, name.key,
                               "a second " + name.key + " in this section: the plugin reads only the first, on " +
                                   lineText((*earlier)->line) + " (\"" + (*earlier)->value + "\"), never this one (\"" +
                                   name.value + "\"). Edit the one on " + lineText((*earlier)->line) +
                                   ", or delete one of the two",
                               {}});
}

std::string weatherNames() {
    std::string names;
    for (const WeatherEntry& weather : weatherTable) names += (names.empty() ? "" : ", ") + std::string(weather.name);
    return names;
}

// A section the plugin never reads that holds values: always a warning. When its keys are all
// one weather's, spelt as the plugin spells them, and that weather has no section, it can only
// be that weather's, and --fix renames it. Otherwise the weathers without a section get no
// defaults beside it (the player may have meant it for one of them).
std::optional<Warning> unreadSection(const NameLine& header, const std::vector<NameLine>& names, Section& section) {
    std::vector<const NameLine*> values;
    for (const NameLine* line : linesUnder(names, header))
        if (line->hasEquals) values.push_back(line);
    if (values.empty()) return std::nullopt;
    std::vector<std::string> homes, keys;
    for (const NameLine* line : values) {
        const auto home = known().homeOf(line->key);
        if (!home) continue;
        keys.push_back(line->key);
        if (std::none_of(homes.begin(), homes.end(), [&](const std::string& h) { return sameName(h, *home); }))
            homes.push_back(*home);
    }
    if (homes.size() == 1 && keys.size() == values.size() && !hasSection(names, homes.front())) {
        Warning warning{WarningKind::NearMissName, header.line, header.section, {},
                        "a section the plugin never reads, holding only keys it reads under [" + homes.front() + "]",
                        "[" + homes.front() + "]"};
        warning.supplies = keys;
        section.readAs = homes.front();
        section.read = true;
        return warning;
    }
    const std::string count = std::to_string(values.size()) + (values.size() == 1 ? " value" : " values");
    const std::string_view aWeathers = weatherTable.front().section;  // "WeatherType_" and its name
    const std::string weathersSection = "[" + std::string(aWeathers.substr(0, aWeathers.find('_') + 1)) + "<name>]";
    Warning warning{WarningKind::UnreadSection, header.line, header.section, {},
                    "a section the plugin never reads, holding " + count + ". It reads only [" +
                        std::string(kSettingsSection) + "] and, for its " + std::to_string(weatherTable.size()) +
                        " weathers, " + weathersSection + ": " + weatherNames() +
                        ". Rename it to the one you mean, or delete it",
                    {}};
    warning.supplies = keys;
    const bool weatherLike = folded(header.section).find("weather") != std::string::npos;
    for (const WeatherEntry& weather : weatherTable) {
        if (hasSection(names, weather.section)) continue;
        warning.choices.push_back("[" + std::string(weather.section) + "] (not in the file)");
        if (!weatherLike) continue;
        warning.supplies.push_back(weather.accuracyKey);
        warning.supplies.push_back(weather.damageModKey);
    }
    return warning;
}

void checkHeader(const NameLine& name, Section& section, std::vector<const NameLine*>& headers,
                 const std::vector<NameLine>& names, std::vector<Warning>& warnings) {
    const auto earlier = std::find_if(headers.begin(), headers.end(),
                                      [&](const NameLine* h) { return sameName(h->section, name.section); });
    section = Section{name.section, earlier == headers.end(), known().isSection(name.section), {}};
    if (!section.searched) {
        if (section.read) {
            warnings.push_back(Warning{WarningKind::DuplicateSection, name.line, name.section, {},
                                       "a second section of this name: the plugin reads only the first, on " +
                                           lineText((*earlier)->line) + ", and never the keys under this one. Edit "
                                           "the keys on " + lineText((*earlier)->line) +
                                           ", or delete one of the two sections",
                                       {}});
        }
        return;
    }
    headers.push_back(&name);
    if (!section.read) {
        if (const auto meant = nearestName(name.section, known().sections)) {
            warnings.push_back(sectionNearMiss(WarningKind::MisspeltName, name, *meant, names,
                                               "a section the plugin never reads; the one it reads is spelt \"" +
                                                   *meant + "\"",
                                               section));
        } else if (const WeatherEntry* weather = weatherOfSectionName(name.section)) {
            warnings.push_back(sectionNearMiss(WarningKind::NearMissName, name, weather->section, names,
                                               "a section the plugin never reads: " + std::string(weather->name) +
                                                   "'s values are read only under [" + weather->section + "]",
                                               section));
        } else if (auto unread = unreadSection(name, names, section)) {
            warnings.push_back(*unread);
        }
    }
    // "[WeatherType_Rain] Accuracy_Rain=35": the text after "]" is never read.
    if (name.afterHeader.find('=') != std::string::npos) {
        std::vector<std::string> parts = keyLinesIn(name.afterHeader);
        parts.insert(parts.begin(), "[" + name.section + "]");
        warnings.push_back(lineSplit(name, section, parts, 1, names,
                                     "a key on the header's line: the text after \"]\" is never read, so neither "
                                     "is \"" + name.afterHeader + "\". The key needs a line of its own"));
    }
}

// NUL bytes (invisible in most editors) before a line's name: no name the plugin reads holds
// one, so a header or key so written is never found. Without them, the line is what it looks like.
void checkNulBytes(const NameLine& name, Section& section, const std::vector<NameLine>& names,
                   std::vector<Warning>& warnings) {
    // Only before the name: NULs between its letters are UTF-16's, told apart.
    const std::string clean = name.key.substr(std::min(name.key.find_first_not_of('\0'), name.key.size()));
    if (clean.find('\0') != std::string::npos) return checkKey(name, section, names, warnings);
    const std::string why = std::to_string(name.key.size() - clean.size()) +
                            " NUL bytes, which no editor shows, in the line: the plugin reads no ";
    const profile_text::ProfileLine meant = profile_text::readLine(clean, profile_text::Reader::Windows);
    if (meant.kind == profile_text::LineKind::Blank) return;
    if (meant.kind != profile_text::LineKind::Header) {
        Warning warning{WarningKind::NulBytes, name.line, name.section, meant.name,
                        why + "key " + meant.name + " here. --fix removes them",
                        meant.name + (name.hasEquals ? "=" + name.value : "")};
        if (known().isKey(meant.name)) warning.supplies = {meant.name};
        warnings.push_back(warning);
        return;
    }
    NameLine header = name;
    header.isSection = true;
    header.section = meant.name;
    section = Section{meant.name, true, known().isSection(meant.name), {}};
    warnings.push_back(sectionNearMiss(WarningKind::NulBytes, header, meant.name, names,
                                       why + "header here, so [" + meant.name + "] is never found. --fix removes them",
                                       section));
}

// A line that holds two lines in one is told by that warning alone: what its value reads as
// is the value of the first key only.
void dropWarningsOnSplitLines(std::vector<Warning>& warnings) {
    std::vector<std::size_t> split;
    for (const Warning& warning : warnings)
        if (warning.kind == WarningKind::TwoLinesInOne) split.push_back(warning.line);
    warnings.erase(std::remove_if(warnings.begin(), warnings.end(),
                                  [&](const Warning& w) {
                                      return w.kind != WarningKind::TwoLinesInOne &&
                                             std::find(split.begin(), split.end(), w.line) != split.end();
                                  }),
                   warnings.end());
}

std::string switchConsequence(const std::string& section) {
    return sameName(section, kSettingsSection) ? " (the switch reads as 0: the plugin does nothing)" : "";
}

// A header Windows and Wine read apart, with the line Windows reads it as. Written, that line
// changes what Wine reads: certain only where Windows' reading is the one shown, otherwise a choice.
Warning readApart(WarningKind kind, const NameLine& header, profile_text::Reader shown, const std::string& why) {
    const std::string windowsLine = "[" + header.section + "]";
    Warning warning{kind, header.line, header.section, {}, why, windowsLine};
    if (!canBeCertain(kind, shown)) {
        warning.certain = false;
        warning.writeInstead.clear();
        warning.choices = {windowsLine + " (as Windows reads it)"};
    }
    return warning;
}

}  // namespace

std::size_t lineOf(const std::vector<NameLine>& names, const std::string& section, const std::string& key) {
    bool inFirst = false;
    bool seen = false;
    for (const NameLine& name : names) {
        if (name.isSection) {
            inFirst = !seen && sameName(name.section, section);
            seen = seen || inFirst;
            continue;
        }
        if (inFirst && sameName(name.key, key)) return name.line;
    }
    return 0;
}

void checkNames(const std::vector<NameLine>& names, std::vector<Warning>& warnings) {
    std::vector<const NameLine*> headers;  // the first header of each name so far
    Section section;                       // before the first header: the nameless one
    for (const NameLine& name : names) {
        if (name.isSection) checkHeader(name, section, headers, names, warnings);
        else if (name.key.find('\0') != std::string::npos) checkNulBytes(name, section, names, warnings);
        else checkKey(name, section, names, warnings);
    }
    dropWarningsOnSplitLines(warnings);
}

bool namesThePlugin(const std::vector<NameLine>& names, const std::vector<Warning>& warnings) {
    auto isKnown = [](const NameLine& n) { return n.isSection ? known().isSection(n.section) : known().isKey(n.key); };
    auto nearMiss = [](const Warning& w) {
        return w.kind == WarningKind::NearMissName || w.kind == WarningKind::MisspeltName;
    };
    return std::any_of(names.begin(), names.end(), isKnown) || std::any_of(warnings.begin(), warnings.end(), nearMiss);
}

void checkPlatformDifferences(Encoding encoding, const std::vector<NameLine>& names, profile_text::Reader shown,
                              std::vector<Warning>& warnings) {
    // Told from the side of the system the game runs on, the other one's beside it: the same
    // file may be played on both.
    const bool onWine = shown == profile_text::Reader::Wine;
    if (encoding == Encoding::Utf16BigEndian) {
        warnings.push_back(Warning{WarningKind::Utf16BigEndian, 0, {}, {},
                                   onWine ? "the file is UTF-16 big-endian: Wine and Proton read it, but Windows reads "
                                            "nothing of it (there the switch reads as 0: the plugin does nothing). "
                                            "For a file read alike on both: " + std::string(kSaveAsAnsi)
                                          : "the file is UTF-16 big-endian: Windows reads nothing of it (the switch "
                                            "reads as 0: the plugin does nothing); Wine and Proton read it. Fix: " +
                                                std::string(kSaveAsAnsi),
                                   {}});
    }
    for (const NameLine& name : names) {
        if (!name.isSection) continue;
        const std::string lost = "its keys read as missing" + switchConsequence(name.section);
        if (encoding == Encoding::Utf8WithMark && name.line == 1) {
            warnings.push_back(Warning{
                WarningKind::Utf8MarkBeforeSection, 1, name.section, {},
                onWine ? "the file starts with a UTF-8 byte-order mark: Wine and Proton skip it, but Windows takes it "
                         "as part of this header, so there the section is never found and " + lost + ". Fix: " +
                             kSaveAsAnsi + " (--fix removes the mark, which changes nothing here)"
                       : "the file starts with a UTF-8 byte-order mark, which Windows takes as part of this header: "
                         "on Windows the section is never found and " + lost + "; Wine and Proton skip the mark and "
                         "read it. Fix: " + kSaveAsAnsi + " (--fix removes the mark)",
                {}});
        }
        if (name.unclosedHeader) {
            warnings.push_back(readApart(
                WarningKind::HeaderWithoutClose, name, shown,
                onWine ? "the header has no closing \"]\": Wine and Proton ignore the line and count the keys under it "
                         "as the section's before it, so [" + name.section + "]'s keys read as missing" +
                             switchConsequence(name.section) + "; Windows opens the section here"
                       : "the header has no closing \"]\": Windows opens the section here, Wine and Proton do not "
                         "and read its keys as missing" + switchConsequence(name.section) +
                             ". --fix closes the bracket"));
        } else if (name.wineSection != name.section) {
            warnings.push_back(readApart(
                WarningKind::HeaderWithExtraClose, name, shown,
                onWine ? "more than one \"]\": Wine and Proton read the section [" + name.wineSection +
                             "] (the name ends at the last \"]\"), so " + lost + "; Windows reads [" + name.section +
                             "] (it ends at the first)"
                       : "more than one \"]\": Windows reads the section [" + name.section +
                             "] (the name ends at the first \"]\"), Wine and Proton read [" + name.wineSection +
                             "] (it ends at the last), so there " + lost + ". --fix removes the rest, as Windows "
                             "reads it"));
        }
    }
}
