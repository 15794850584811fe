#pragma once
// The settings file: its path, whether it exists, and its default content.

#include <cstdint>
#include <string>

#include "settings/ini_writer.h"

// The settings file, by the path the plugin opens it: in the folder the game starts in.
inline constexpr const char* kSettingsFileName = "./Veltrane.ini";
// Its name alone, as a player sees it in the game folder.
inline constexpr const char* kSettingsFileBareName = kSettingsFileName + 2;
inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kEnabledKey = "Enabled";
// What the default file holds for every weather. The accuracy is the sentinel that makes the
// tuning pass take its accuracy from the first ped it tunes.
inline constexpr std::int32_t kDefaultAccuracy = 12829;
inline constexpr float kDefaultDamageModifier = 1.0f;

class SettingsFile {
public:
    void setPath(const std::string& path);
    std::string getPath() const { return path; }

    // True when an object of any kind (file, directory, ...) has this name. False only when
    // the query says it is absent or the name is invalid; any other failure (access denied,
    // say) counts as existing, so a player's file is never overwritten with defaults.
    bool exists() const;

    // Writes the 45 default entries: "Enabled" on, then 12829 and 1 for each of the 22
    // weathers in table order. Every write is attempted; results are not looked at.
    void writeDefaults();

private:
    std::string path;
    IniWriter writer;
};
