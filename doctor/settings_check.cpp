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
#include "tuning/tuning_pass.h"

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
        case ValueType::Switch: entry.switchOn = reader.readBool(kSettingsSection, kEnabledKey, false); break;
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
        static_cast<std::uint32_t>(entry.accuracy) > 100u)
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

void checkNames(const std::vector<NameLine>& names, std::vector<Warning>& warnings) {
    std::vector<std::string> sections = {kSettingsSection};
    std::vector<std::string> keys = {kEnabledKey};
    for (const WeatherEntry& weather : weatherTable) {
        sections.push_back(weather.section);
        keys.push_back(weather.accuracyKey);
        keys.push_back(weather.damageModKey);
    }
    auto knownSection = [&](const std::string& name) {
        for (const auto& section : sections)
            if (sameName(section, name)) return true;
        return false;
    };
    // The section that holds a known key.
    auto homeOf = [&](const std::string& key) -> std::optional<std::string> {
        for (const WeatherEntry& weather : weatherTable) {
            if (sameName(key, weather.accuracyKey) || sameName(key, weather.damageModKey)) return weather.section;
        }
        if (sameName(key, kEnabledKey)) return std::string(kSettingsSection);
        return std::nullopt;
    };

    for (const NameLine& name : names) {
        if (name.isSection) {
            if (const auto meant = nearestName(name.section, sections)) {
                warnings.push_back(Warning{WarningKind::MisspeltName, name.line, name.section, {},
                                           "a section the plugin never reads; the one it reads is spelt \"" +
                                               *meant + "\"",
                                           "[" + *meant + "]"});
            }
            continue;
        }
        // Keys of a misspelt or foreign section are covered by that section's own warning.
        if (!name.section.empty() && !knownSection(name.section)) continue;
        if (const auto home = homeOf(name.key)) {
            if (!sameName(*home, name.section)) {
                warnings.push_back(Warning{WarningKind::KeyInOtherSection, name.line, name.section, name.key,
                                           "the plugin reads this key only in section [" + *home + "]",
                                           "[" + *home + "]"});
            }
            continue;
        }
        if (const auto meant = nearestName(name.key, keys)) {
            warnings.push_back(Warning{WarningKind::MisspeltName, name.line, name.section, name.key,
                                       "a key the plugin never reads; the one it reads is spelt \"" + *meant + "\"",
                                       *meant + "=" + name.value});
        }
    }
}

}  // namespace

std::string profilePath(const std::string& path) {
    if (path.find_first_of("/\\:") == std::string::npos) return "./" + path;
    return path;
}

SettingsCheck checkSettingsFile(const std::string& givenPath) {
    SettingsCheck check;
    check.path = profilePath(givenPath);

    SettingsFile file;
    file.setPath(check.path);
    if (!file.exists()) {
        check.state = FileState::Missing;
        check.warnings.push_back(Warning{WarningKind::FileMissing, 0, {}, {},
                                         "no settings file: the plugin writes the default file when the game starts "
                                         "(switch on, every weather 12829 and 1)",
                                         {}});
        return check;
    }
    std::error_code ignored;
    std::ifstream in;
    if (!std::filesystem::is_directory(check.path, ignored)) in.open(check.path, std::ios::binary);
    if (!in.is_open()) {
        check.state = FileState::Unreadable;
        return check;
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::vector<NameLine> names = scanNames(bytes);

    const IniReader reader{check.path};
    check.entries = knownEntries();
    for (SettingsEntry& entry : check.entries) {
        readStoredText(entry, check.path);
        readValue(entry, reader);
        const std::size_t line = lineOf(names, entry.section, entry.key);
        if (!entry.storedText) {
            check.warnings.push_back(Warning{WarningKind::MissingKey, line, entry.section, entry.key,
                                             missingExplanation(entry.type),
                                             entry.key + "=" + defaultText(entry.type)});
        } else if (const auto found = checkText(entry)) {
            check.warnings.push_back(Warning{found->kind, line, entry.section, entry.key,
                                             found->explanation + consequence(entry),
                                             entry.key + "=" + found->writeValue});
        }
    }
    checkNames(names, check.warnings);
    // In file order; keys that have no line (missing ones) last.
    std::stable_sort(check.warnings.begin(), check.warnings.end(), [](const Warning& a, const Warning& b) {
        return (a.line == 0 ? SIZE_MAX : a.line) < (b.line == 0 ? SIZE_MAX : b.line);
    });
    return check;
}

std::string valueText(const SettingsEntry& entry) {
    switch (entry.type) {
        case ValueType::Switch: return entry.switchOn ? "1 (on)" : "0 (off)";
        case ValueType::Accuracy: return std::to_string(entry.accuracy);
        case ValueType::DamageModifier: return floatText(entry.damageModifier);
    }
    return {};
}

std::string meaningInPlay(const SettingsEntry& entry) {
    switch (entry.type) {
        case ValueType::Switch:
            return entry.switchOn ? "on: peds are tuned every frame" : "off: the plugin leaves peds alone";
        case ValueType::Accuracy:
            if (entry.accuracy == kAccuracySentinel)
                return "the first non-exempt ped's accuracy with 44 OR-ed in, applied if 0 to 100";
            if (static_cast<std::uint32_t>(entry.accuracy) <= 100u) return "accuracy applied to peds";
            return "outside 0 to 100: never applied, peds keep their own accuracy";
        case ValueType::DamageModifier:
            if (entry.damageModifier == 0.0f) return "damage modifier applied: peds deal no damage";
            return "damage modifier applied to peds";
    }
    return {};
}

int exitStatus(const SettingsCheck& check) {
    if (check.state == FileState::Unreadable) return 2;
    return check.warnings.empty() ? 0 : 1;
}
