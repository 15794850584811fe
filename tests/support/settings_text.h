#pragma once
// Settings files as lists of lines: the default file, with single lines replaced, for tests
// that need a file that differs from the default in one place.

#include <string>
#include <vector>

#include "settings/settings_file.h"
#include "settings/weather_table.h"

using SettingsLines = std::vector<std::string>;

// A weather's header and its two keys with these values.
inline void appendWeather(SettingsLines& lines, const WeatherEntry& entry, const std::string& accuracy,
                          const std::string& damageMod) {
    lines.push_back(std::string("[") + entry.section + "]");
    lines.push_back(std::string(entry.accuracyKey) + "=" + accuracy);
    lines.push_back(std::string(entry.damageModKey) + "=" + damageMod);
}

// The 45 default entries under their 23 headers, as the plugin writes them.
inline SettingsLines defaultSettingsLines() {
    SettingsLines lines = {"[Settings]", "Enabled=1"};
    for (const WeatherEntry& entry : weatherTable) appendWeather(lines, entry, "12829", "1");
    return lines;
}

// The index of the first line that starts with `start`, or lines.size().
inline std::size_t findLine(const SettingsLines& lines, const std::string& start) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].compare(0, start.size(), start) == 0) return i;
    return lines.size();
}

inline std::string joinLines(const SettingsLines& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}
