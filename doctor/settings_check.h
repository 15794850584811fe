#pragma once
// What the plugin will read from a settings file: the switch and the 22 weathers' values,
// each with the text stored and the value read through the plugin's own reader, and every
// place where the two part ways. Plain data; doctor/report.h prints it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "doctor/value_check.h"
#include "tuning/weather_table.h"

// One key the plugin reads.
struct SettingsEntry {
    ValueType type;
    const WeatherEntry* weather = nullptr;  // none for the switch
    std::string section;
    std::string key;
    // The text the plugin sees, at most 255 characters; none when the key is missing.
    std::optional<std::string> storedText;
    std::size_t fullLength = 0;  // the stored text's length before the cut
    // The value read, by type.
    bool switchOn = false;
    std::int32_t accuracy = 0;
    float damageModifier = 0.0f;
};

struct Warning {
    WarningKind kind;
    std::size_t line = 0;  // 0 when the file has no line for it
    std::string section;
    std::string key;
    std::string explanation;
    std::string writeInstead;  // the whole line: "DamageMod_Rain=0.5", "[WeatherType_Rain]"
};

enum class FileState { Readable, Missing, Unreadable };

struct SettingsCheck {
    std::string path;
    FileState state = FileState::Readable;
    std::vector<SettingsEntry> entries;  // the switch, then each weather's accuracy and damage modifier
    std::vector<Warning> warnings;
};

// The path to read `path` through the profile functions: a bare file name gets "./", because
// they look for a name without a directory or drive in the Windows folder.
std::string profilePath(const std::string& path);

// Reads the file as the plugin does. Never writes.
SettingsCheck checkSettingsFile(const std::string& path);

// What an entry's value does in play: "applied to peds", "never applied: outside 0 to 100", ...
std::string meaningInPlay(const SettingsEntry& entry);

// The value read, as text: "1 (on)", "12829", "0.5".
std::string valueText(const SettingsEntry& entry);

// 0 nothing to warn about, 1 warnings, 2 the file can't be read.
int exitStatus(const SettingsCheck& check);
