#include "doctor/settings_check.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "doctor/name_spelling.h"
#include "platform/windows_api.h"
#include "settings/ini_reader.h"
#include "settings/settings_file.h"
#include "settings/text_forms.h"
#include "settings/weather_table.h"
#include "tuning/tuning_pass.h"

using profile_text::detectEncoding;
using profile_text::Encoding;

namespace {

// Long enough to see that a value was cut; anything past it is cut in any case.
constexpr std::uint32_t kFullTextCapacity = 1u << 16;

std::string profileText(const SettingsEntry& entry, const char* fallback, std::uint32_t capacity,
                        const std::string& path) {
    std::string buffer(capacity, '\0');
    GetPrivateProfileStringA(entry.section.c_str(), entry.key.c_str(), fallback, buffer.data(), capacity,
                             path.c_str());
    buffer.resize(buffer.find('\0'));
    return buffer;
}

// The stored text as the plugin sees it, or none when the key is missing: a missing key gives
// back whichever default is passed, a stored one the same text for both.
void readStoredText(SettingsEntry& entry, const std::string& path) {
    const std::string first = profileText(entry, "0", kProfileBufferSize, path);
    const std::string second = profileText(entry, "1", kProfileBufferSize, path);
    if (first == "0" && second == "1") return;
    entry.storedText = first;
    entry.fullLength = profileText(entry, "", kFullTextCapacity, path).size();
}

// The reads and defaults are the frame loop's and the tuning pass's.
void readValue(SettingsEntry& entry, const IniReader& reader) {
    switch (entry.type) {
        case ValueType::Switch:
            entry.switchOn = reader.readBool(kSettingsSection, kEnabledKey, false);
            // The number behind it, as the switch is parsed: "2" is on, and shown as 2.
            entry.switchNumber = entry.storedText ? parseInt(*entry.storedText) : 0;
            break;
        case ValueType::Accuracy: entry.accuracy = reader.readInt(entry.section.c_str(), entry.key.c_str(), 0); break;
        case ValueType::DamageModifier:
            entry.damageModifier = reader.readFloat(entry.section.c_str(), entry.key.c_str(), 0.0f);
            break;
    }
}

SettingsEntry makeEntry(ValueType type, const WeatherEntry* weather, const char* section, const char* key) {
    SettingsEntry entry;
    entry.type = type;
    entry.weather = weather;
    entry.section = section;
    entry.key = key;
    return entry;
}

std::vector<SettingsEntry> knownEntries() {
    std::vector<SettingsEntry> entries;
    entries.push_back(makeEntry(ValueType::Switch, nullptr, kSettingsSection, kEnabledKey));
    for (const WeatherEntry& weather : weatherTable) {
        entries.push_back(makeEntry(ValueType::Accuracy, &weather, weather.section, weather.accuracyKey));
        entries.push_back(makeEntry(ValueType::DamageModifier, &weather, weather.section, weather.damageModKey));
    }
    return entries;
}

// The default file's text for each key.
std::string defaultText(ValueType type) {
    switch (type) {
        case ValueType::Switch: return formatBool(true).c_str();
        case ValueType::Accuracy: return formatInt(kDefaultAccuracy).c_str();
        case ValueType::DamageModifier: return formatFloat(kDefaultDamageModifier).c_str();
    }
    return {};
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

// The line of the key's first occurrence in its section's first occurrence, as the profile
// functions find it; 0 when there is none.
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

// What a surprising value does in play, where that is worse than a slightly different number.
std::string consequence(const SettingsEntry& entry) {
    if (entry.type == ValueType::Accuracy && entry.accuracy != kAccuracySentinel &&
        !inAccuracyRange(entry.accuracy))
        return "; outside 0 to 100, so never applied";
    if (entry.type == ValueType::DamageModifier && entry.damageModifier == 0.0f) return "; peds deal no damage";
    return {};
}

std::optional<ValueFinding> checkText(const SettingsEntry& entry) {
    const std::string& text = *entry.storedText;
    if (entry.fullLength > text.size()) {
        return ValueFinding{WarningKind::ValueCut,
                            "longer than " + std::to_string(kProfileBufferSize - 1) +
                                " characters: only the first ones are read, " + valueText(entry) + " in all",
                            entry.type == ValueType::DamageModifier ? floatText(entry.damageModifier)
                            : entry.type == ValueType::Accuracy     ? std::string(formatInt(entry.accuracy).c_str())
                                                                    : std::string(entry.switchOn ? "1" : "0")};
    }
    switch (entry.type) {
        case ValueType::Switch: return checkSwitchText(text, entry.switchOn);
        case ValueType::Accuracy: return checkAccuracyText(text, entry.accuracy);
        case ValueType::DamageModifier: return checkDamageText(text, entry.damageModifier);
    }
    return std::nullopt;
}

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

std::string lineText(std::size_t line) { return "line " + std::to_string(line); }

// Letters and digits only, lower case: "Weather Type-Rain" is "weathertyperain".
std::string folded(const std::string& name) {
    std::string out;
    for (char c : name) {
        if (c >= 'A' && c <= 'Z') out += static_cast<char>(c + ('a' - 'A'));
        else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) out += c;
    }
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

// The default file's line for a known key.
std::string defaultLine(const std::string& key) {
    if (sameName(key, kEnabledKey)) return key + "=" + defaultText(ValueType::Switch);
    for (const WeatherEntry& weather : weatherTable) {
        if (sameName(key, weather.accuracyKey)) return key + "=" + defaultText(ValueType::Accuracy);
        if (sameName(key, weather.damageModKey)) return key + "=" + defaultText(ValueType::DamageModifier);
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

// The keys the lines under the header at `header` stand for once it is renamed to `section`.
std::vector<std::string> keysUnder(const std::vector<NameLine>& names, const NameLine& header, const std::string& section) {
    const KnownNames known;
    const WeatherEntry* weather = weatherOfSection(section);
    std::vector<std::string> keys;
    for (const NameLine& name : names) {
        if (name.line <= header.line) continue;
        if (name.isSection || name.unclosedHeader) break;
        const auto home = known.homeOf(name.key);
        if (home && sameName(*home, section)) keys.push_back(name.key);
        else if (const auto meant = keyMeant(name.key, weather)) keys.push_back(*meant);
    }
    return keys;
}

// A header that names one of the plugin's sections otherwise: renaming it carries the player's
// lines to the plugin, unless the file holds that section already (a second one is never read).
Warning sectionNearMiss(WarningKind kind, const NameLine& header, const std::string& meant,
                        const std::vector<NameLine>& names, const std::string& why) {
    Warning warning{kind, header.line, header.section, {}, why, "[" + meant + "]"};
    warning.supplies = keysUnder(names, header, meant);
    if (hasSection(names, meant)) {
        warning.certain = false;
        warning.explanation += "; the file holds a [" + meant + "] already, and a second one is never read: move "
                               "the lines you mean into it, or delete one";
        warning.writeInstead.clear();
    }
    return warning;
}

// A key line that stands for one of the plugin's keys: renaming carries the player's value.
Warning keyNearMiss(WarningKind kind, const NameLine& name, const std::string& meant, const std::string& value,
                    const std::vector<NameLine>& names, const std::string& why) {
    Warning warning{kind, name.line, name.section, name.key, why, keyLine(meant, value)};
    warning.supplies = {meant};
    const std::optional<std::string> home = KnownNames().homeOf(meant);
    if (home && !sameName(*home, name.section)) {
        // Under another weather's header the name is as likely a damaged one of that weather's.
        warning.certain = false;
        warning.supplies.clear();
        warning.explanation += ", which is read only in section [" + *home + "], not under [" + name.section +
                               "]: write the key you mean, in its section";
        warning.writeInstead.clear();
    } else if (lineOf(names, name.section, meant) != 0) {
        warning.certain = false;
        warning.explanation += "; the section holds " + meant + " already, on " +
                               lineText(lineOf(names, name.section, meant)) + ": keep the value you mean there and "
                               "delete this line";
        warning.writeInstead.clear();
    }
    return warning;
}

// Misspelt names, names that can only mean one of the plugin's, keys in the wrong section, and
// second sections and keys of a name, which the profile functions never search: they compare
// names trimmed and without letter case.
void checkNames(const std::vector<NameLine>& names, std::vector<Warning>& warnings) {
    const KnownNames known;
    std::vector<const NameLine*> headers;        // the first header of each name so far
    std::vector<const NameLine*> keysOfSection;  // the first key of each name in the current section
    bool firstOfItsName = true;                  // the current section is the one searched
    for (const NameLine& name : names) {
        if (name.unclosedHeader) continue;
        if (name.isSection) {
            keysOfSection.clear();
            const auto earlier = std::find_if(headers.begin(), headers.end(),
                                               [&](const NameLine* h) { return sameName(h->section, name.section); });
            firstOfItsName = earlier == headers.end();
            if (firstOfItsName) {
                headers.push_back(&name);
            } else if (known.isSection(name.section)) {
                warnings.push_back(Warning{WarningKind::DuplicateSection, name.line, name.section, {},
                                           "a second section of this name: the plugin reads only the first, on " +
                                               lineText((*earlier)->line) +
                                               ", and never the keys under this one. Edit the keys on " +
                                               lineText((*earlier)->line) + ", or delete one of the two sections",
                                           {}});
                warnings.back().certain = false;
            }
            // A header with more than one "]" is told apart below, whatever its spelling.
            const bool extraClose = name.windowsSection != name.section;
            if (!extraClose && firstOfItsName && !known.isSection(name.section)) {
                if (const auto meant = nearestName(name.section, known.sections)) {
                    warnings.push_back(sectionNearMiss(WarningKind::MisspeltName, name, *meant, names,
                                                       "a section the plugin never reads; the one it reads is "
                                                       "spelt \"" + *meant + "\""));
                } else if (const WeatherEntry* weather = weatherOfSectionName(name.section)) {
                    warnings.push_back(sectionNearMiss(WarningKind::NearMissName, name, weather->section, names,
                                                       "a section the plugin never reads: " + std::string(weather->name) +
                                                           "'s values are read only under [" + weather->section + "]"));
                }
            }
            continue;
        }
        const bool inKnownSection = name.section.empty() || known.isSection(name.section);
        // Keys of a second section are covered by that section's warning.
        if (!firstOfItsName && !name.section.empty()) continue;
        if (const auto home = known.homeOf(name.key)) {
            if (!inKnownSection) continue;  // the section's warning tells, or the section is another program's
            if (!sameName(*home, name.section)) {
                Warning warning{WarningKind::KeyInOtherSection, name.line, name.section, name.key,
                                "the plugin reads this key only in section [" + *home + "]: --fix moves the line there",
                                keyLine(name.key, name.value)};
                warning.moveTo = *home;
                warning.supplies = {name.key};
                if (lineOf(names, *home, name.key) != 0) {
                    warning.certain = false;
                    warning.writeInstead.clear();
                    warning.explanation = "the plugin reads this key only in section [" + *home +
                                          "], which holds it already on " + lineText(lineOf(names, *home, name.key)) +
                                          " (read there). Keep the value you mean there and delete this line";
                }
                warnings.push_back(warning);
                continue;
            }
            const auto earlier = std::find_if(keysOfSection.begin(), keysOfSection.end(),
                                               [&](const NameLine* k) { return sameName(k->key, name.key); });
            if (earlier != keysOfSection.end()) {
                warnings.push_back(Warning{WarningKind::DuplicateKey, name.line, name.section, name.key,
                                           "a second " + name.key + " in this section: the plugin reads only the first, on " +
                                               lineText((*earlier)->line) + " (\"" + (*earlier)->value +
                                               "\"), never this one (\"" + name.value + "\"). Edit the one on " +
                                               lineText((*earlier)->line) + ", or delete one of the two",
                                           {}});
                warnings.back().certain = false;
            } else {
                keysOfSection.push_back(&name);
            }
            continue;
        }
        if (!inKnownSection) continue;
        const WeatherEntry* sectionWeather = weatherOfSection(name.section);
        // "Accuracy_Rain: 35", "Accuracy_Rain 35": a key and its value without the "=".
        const std::size_t gap = name.value.empty() ? name.key.find_first_of(": \t") : std::string::npos;
        if (gap != std::string::npos) {
            const std::string head = name.key.substr(0, gap);
            std::string value = name.key.substr(gap);
            while (!value.empty() && (value.front() == ':' || value.front() == ' ' || value.front() == '\t'))
                value.erase(0, 1);
            std::optional<std::string> meant = known.isKey(head) ? std::optional<std::string>(head) : std::nullopt;
            if (!meant) meant = keyMeant(head, sectionWeather);
            if (meant && !value.empty()) {
                warnings.push_back(keyNearMiss(WarningKind::NearMissName, name, *meant, value, names,
                                               "a line the plugin never reads: a key and its value are joined by "
                                               "\"=\""));
                continue;
            }
        }
        if (const auto meant = nearestName(name.key, known.keys)) {
            warnings.push_back(keyNearMiss(WarningKind::MisspeltName, name, *meant, name.value, names,
                                           "a key the plugin never reads; the one it reads is spelt \"" + *meant + "\""));
        } else if (const auto shorthand = keyMeant(name.key, sectionWeather)) {
            warnings.push_back(keyNearMiss(WarningKind::NearMissName, name, *shorthand, name.value, names,
                                           "a key the plugin never reads; here it can only mean " + *shorthand));
        }
    }
}

bool holdsAKnownName(const std::vector<NameLine>& names) {
    const KnownNames known;
    return std::any_of(names.begin(), names.end(), [&](const NameLine& name) {
        return name.isSection ? known.isSection(name.section) : known.isKey(name.key);
    });
}

std::string switchConsequence(const std::string& section) {
    return sameName(section, kSettingsSection) ? " (the switch reads as 0: the plugin does nothing)" : "";
}

constexpr const char* kSaveAsAnsi = "save the file as ANSI or as UTF-8 without a byte-order mark";

// Lines that Windows reads otherwise than Wine (and Proton). Told from the bytes, so that the
// doctor says the same wherever it runs.
void checkPlatformDifferences(Encoding encoding, const std::vector<NameLine>& names, std::vector<Warning>& warnings) {
    if (encoding == Encoding::Utf16BigEndian) {
        warnings.push_back(Warning{WarningKind::Utf16BigEndian, 0, {}, {},
                                   "the file is UTF-16 big-endian: Wine and Proton read it, Windows reads nothing "
                                   "(the switch reads as 0: the plugin does nothing). Fix: " +
                                       std::string(kSaveAsAnsi),
                                   {}});
    }
    for (const NameLine& name : names) {
        const bool header = name.isSection || name.unclosedHeader;
        if (!header) continue;
        if (encoding == Encoding::Utf8WithMark && name.line == 1) {
            warnings.push_back(Warning{
                WarningKind::Utf8MarkBeforeSection, 1, name.windowsSection, {},
                "the file starts with a UTF-8 byte-order mark, which Windows takes as part of this header: on "
                "Windows the section is never found and its keys read as missing" +
                    switchConsequence(name.windowsSection) +
                    "; Wine and Proton skip the mark and read it. Fix: " + kSaveAsAnsi + " (--fix removes the mark)",
                {}});
        }
        if (name.unclosedHeader) {
            warnings.push_back(Warning{WarningKind::HeaderWithoutClose, name.line, name.windowsSection, {},
                                       "the header has no closing \"]\": Windows opens the section here, Wine and "
                                       "Proton do not and read its keys as missing" +
                                           switchConsequence(name.windowsSection) +
                                           ". Fix: close the bracket: [" + name.windowsSection + "]",
                                       {}});
        } else if (name.windowsSection != name.section) {
            warnings.push_back(Warning{WarningKind::HeaderWithExtraClose, name.line, name.windowsSection, {},
                                       "more than one \"]\": Windows reads the section [" + name.windowsSection +
                                           "] (the name ends at the first \"]\"), Wine and Proton read [" +
                                           name.section + "] (it ends at the last), so there its keys read as "
                                           "missing. Fix: remove the extra \"]\": [" + name.windowsSection + "]",
                                       {}});
        }
    }
}

// Values read as written that are probably not meant.
std::optional<Warning> caution(const SettingsEntry& entry) {
    if (entry.type == ValueType::Accuracy && entry.accuracy != kAccuracySentinel &&
        !inAccuracyRange(entry.accuracy)) {
        return Warning{WarningKind::AccuracyNeverApplied, 0, entry.section, entry.key,
                       "caution: " + std::to_string(entry.accuracy) +
                           " is outside 0 to 100, so peds' accuracy is never changed (the damage modifier still "
                           "is). For the most accurate peds write " + entry.key +
                           "=100; to leave their accuracy alone, keep it",
                       {}};
    }
    if (entry.type == ValueType::DamageModifier && entry.damageModifier == 0.0f) {
        return Warning{WarningKind::NoDamage, 0, entry.section, entry.key,
                       "caution: a damage modifier of 0 means peds deal no damage in this weather (1 is normal, "
                       "0.5 half)",
                       {}};
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
                       "caution: a damage modifier below 0 is probably not meant (1 is normal, 0.5 half, 0 none)",
                       {}};
    }
    return std::nullopt;
}

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

Fix fixOf(const Warning& warning) {
    if (warning.kind == WarningKind::Utf8MarkBeforeSection) return Fix::RemoveByteOrderMark;
    if (!warning.certain || warning.writeInstead.empty()) return Fix::None;
    if (!warning.moveTo.empty()) return Fix::MoveLine;
    return warning.line == 0 ? Fix::AddLine : Fix::ReplaceLine;
}

std::string profilePath(const std::string& path) {
    if (path.find_first_of("/\\:") == std::string::npos) return "./" + path;
    return path;
}

SettingsCheck checkSettingsFile(const std::string& givenPath, const std::string& shownPath) {
    SettingsCheck check;
    check.readPath = profilePath(givenPath);
    check.path = shownPath.empty() ? check.readPath : shownPath;
    check.pluginsFileName = sameName(fileNameOf(givenPath), fileNameOf(kSettingsFileName));

    SettingsFile file;
    file.setPath(check.readPath);
    if (!file.exists()) {
        check.state = FileState::Missing;
        check.warnings.push_back(Warning{
            WarningKind::FileMissing, 0, {}, {},
            check.pluginsFileName
                ? "no settings file: the plugin reads every value as 0 (the switch off). If this is the folder the "
                  "game starts in, the plugin writes the default file (switch on, every weather " +
                      defaultText(ValueType::Accuracy) + " and " + defaultText(ValueType::DamageModifier) +
                      ") when the game starts"
                : "no file of this name. The plugin reads only " + fileNameOf(kSettingsFileName) +
                      " in the folder the game starts in, never a file of another name",
            {}});
        return check;
    }
    std::error_code ignored;
    if (std::filesystem::is_directory(check.readPath, ignored)) {
        check.state = FileState::Folder;
        return check;
    }
    std::ifstream in(check.readPath, std::ios::binary);
    if (!in.is_open()) {
        check.state = FileState::Unreadable;
        return check;
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    check.encoding = detectEncoding(bytes);
    const std::vector<NameLine> names = scanNames(bytes);

    const IniReader reader{check.readPath};
    check.entries = knownEntries();
    for (SettingsEntry& entry : check.entries) {
        readStoredText(entry, check.readPath);
        readValue(entry, reader);
        const std::size_t line = lineOf(names, entry.section, entry.key);
        if (!entry.storedText) {
            check.warnings.push_back(Warning{WarningKind::MissingKey, line, entry.section, entry.key,
                                             missingExplanation(entry.type),
                                             entry.key + "=" + defaultText(entry.type)});
        } else if (const auto found = checkText(entry)) {
            Warning warning{found->kind, line, entry.section, entry.key, found->explanation + consequence(entry),
                            found->writeValue.empty() ? std::string() : entry.key + "=" + found->writeValue};
            warning.certain = found->certain;
            for (const ValueChoice& choice : found->choices)
                warning.choices.push_back(entry.key + "=" + choice.value + " (" + choice.note + ")");
            check.warnings.push_back(warning);
        } else if (auto warning = caution(entry)) {
            warning->line = line;
            check.warnings.push_back(*warning);
        }
    }
    checkNames(names, check.warnings);
    // A key the player wrote under another name is misnamed, not missing: no default is added
    // beside their value.
    std::vector<std::string> supplied;
    for (const Warning& warning : check.warnings) supplied.insert(supplied.end(), warning.supplies.begin(), warning.supplies.end());
    check.warnings.erase(std::remove_if(check.warnings.begin(), check.warnings.end(),
                                        [&](const Warning& w) {
                                            return w.kind == WarningKind::MissingKey &&
                                                   std::any_of(supplied.begin(), supplied.end(), [&](const std::string& k) {
                                                       return sameName(k, w.key);
                                                   });
                                        }),
                         check.warnings.end());
    checkPlatformDifferences(check.encoding, names, check.warnings);
    // In file order; keys that have no line (missing ones) last.
    std::stable_sort(check.warnings.begin(), check.warnings.end(), [](const Warning& a, const Warning& b) {
        return (a.line == 0 ? SIZE_MAX : a.line) < (b.line == 0 ? SIZE_MAX : b.line);
    });

    const bool nearMiss = std::any_of(check.warnings.begin(), check.warnings.end(), [](const Warning& w) {
        return w.kind == WarningKind::NearMissName || w.kind == WarningKind::MisspeltName;
    });
    if (!holdsAKnownName(names) && !nearMiss) {
        check.details = std::move(check.warnings);
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
                                               "starts; or let --fix add the default file's " + std::to_string(knownEntries().size()) + " entries to it"
                                             : "Is it the file you meant? The plugin reads only " +
                                                   fileNameOf(kSettingsFileName) + " in the folder the game starts in."),
            {}}};
    }
    if (!check.pluginsFileName) {
        check.warnings.insert(check.warnings.begin(),
                              Warning{WarningKind::NotPluginsFile, 0, {}, {},
                                      "the plugin never reads this file: it reads only " + fileNameOf(kSettingsFileName) +
                                          " in the folder the game starts in. If this is your settings file, rename it to " +
                                          fileNameOf(kSettingsFileName) +
                                          " (in File Explorer, View > Show > File name extensions shows the whole name)",
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
            if (entry.damageModifier < 0.0f) return "below 0";
            return "applied";
    }
    return {};
}

bool isCaution(WarningKind kind) {
    return kind == WarningKind::AccuracyNeverApplied || kind == WarningKind::NoDamage ||
           kind == WarningKind::NegativeDamage || kind == WarningKind::HugeDamage;
}

const std::vector<Warning>& allWarnings(const SettingsCheck& check) {
    return check.details.empty() ? check.warnings : check.details;
}

int exitStatus(const SettingsCheck& check) {
    if (check.state == FileState::Folder || check.state == FileState::Unreadable) return 2;
    return check.warnings.empty() ? 0 : 1;
}
