#pragma once
// What the plugin will read from a settings file on the system the game runs on (Windows, or
// Wine under Proton): the switch and the 22 weathers' values, each with the text stored (found by
// the line rules of platform/profile_text.h, as that system reads them) and the value the
// plugin's own parse rules make of it, and every place where the two part ways. Plain data;
// doctor/report.h prints it.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "doctor/settings/value_check.h"
#include "platform/profile_text.h"
#include "settings/weather_table.h"

// One key the plugin reads.
struct SettingsEntry {
    ValueType type;
    const WeatherEntry* weather = nullptr;  // none for the switch
    std::string section;
    std::string key;
    // The text the plugin sees, at most 255 characters; none when the key is missing.
    std::optional<std::string> storedText{};
    std::size_t fullLength = 0;  // the stored text's length before the cut
    // The value read, by type. The switch is read as a whole number; any but 0 is on.
    bool switchOn = false;
    std::int32_t switchNumber = 0;
    std::int32_t accuracy = 0;
    float damageModifier = 0.0f;
};

struct Warning {
    Warning(WarningKind kind_, std::size_t line_, std::string section_, std::string key_, std::string explanation_,
            std::string writeInstead_)
        : kind(kind_), line(line_), section(std::move(section_)), key(std::move(key_)),
          explanation(std::move(explanation_)), writeInstead(std::move(writeInstead_)), certain(canBeCertain(kind_)) {}

    WarningKind kind;
    std::size_t line = 0;  // 0 when the file has no line for it
    std::string section;
    std::string key;
    std::string explanation;
    // The whole line that makes the text say what the player meant: "DamageMod_Rain=0.5",
    // "[WeatherType_Rain]"; lines written as one are given apart, joined by "\n". Empty when
    // no line is the fix.
    std::string writeInstead;
    // Certain: a person reads the player's text one way only, and the plugin reads
    // writeInstead as exactly that value; --fix writes it. Otherwise --fix leaves the line,
    // and the player picks one of `choices` ("Accuracy_Fog=35 (0.35 of 100)"). Never certain
    // for a kind whose remedy is a choice (finding_kinds.h).
    bool certain;
    std::vector<std::string> choices;
    // For a line that belongs under another header: that section. --fix moves the line there.
    std::string moveTo;
    // The plugin's keys that the player's lines named here stand for (a near-miss section's
    // keys, a misspelt key): they are not missing, only misnamed.
    std::vector<std::string> supplies;
    // For edits in a near-named file: that file's name ("Veltrane.ini.txt").
    std::string otherFile;
};

// What --fix does for a warning.
enum class Fix {
    None,
    ReplaceLine,          // writeInstead in place of line `line`
    AddLine,              // writeInstead at the end of section `section`, or a new section at the end
    MoveLine,             // line `line` removed, writeInstead added to section `moveTo`
    RemoveByteOrderMark,  // the three bytes before line 1
};
Fix fixOf(const Warning& warning);

enum class FileState {
    Readable,
    Missing,
    Folder,      // a folder has the file's name
    Unreadable,  // access denied and the like
};

struct SettingsCheck {
    std::string path;      // as the player gave it
    std::string readPath;  // as the profile functions get it
    FileState state = FileState::Readable;
    profile_text::Encoding encoding = profile_text::Encoding::Ansi;
    // The file's name is the plugin's. Only the one in the folder the game starts in is read.
    bool pluginsFileName = true;
    std::vector<SettingsEntry> entries;  // the switch, then each weather's accuracy and damage modifier
    // The system whose reading `entries` are: the one the game runs on.
    profile_text::Reader reader = profile_text::Reader::Windows;
    // The keys the other system reads otherwise, as it reads them: "Enabled=1",
    // "Accuracy_Rain missing". The same file may be played on both.
    std::vector<std::string> readOtherwise;
    std::vector<Warning> warnings;
    // When the file holds none of the plugin's names, `warnings` holds that one diagnosis
    // and the warnings it stands for are here.
    std::vector<Warning> details;
};

// The path to read `path` through the profile functions: a bare file name gets "./", because
// they look for a name without a directory or drive in the Windows folder.
std::string profilePath(const std::string& path);

// Reads the file as the plugin does on the system `reader` (the one the game runs on). Never
// writes. `shownPath` is the path to name in the report, when the file is read by another
// (relative) one.
SettingsCheck checkSettingsFile(const std::string& path, const std::string& shownPath = {},
                                profile_text::Reader reader = profile_text::Reader::Windows);

// What an entry's value does in play: "applied", "never applied", "peds deal no damage", ...
std::string meaningInPlay(const SettingsEntry& entry);

// The value read, as text: "2: on", "12829", "0.5".
std::string valueText(const SettingsEntry& entry);

// The warnings --fix works from: the details behind a "holds none of the plugin's names".
const std::vector<Warning>& allWarnings(const SettingsCheck& check);

// A weather's key missing with the weather's other one: the weather has no values.
bool weatherHasNoValues(const Warning& missing, const std::vector<Warning>& warnings);

// 0 nothing to warn about, 1 warnings or cautions, 2 the file can't be read.
int exitStatus(const SettingsCheck& check);
