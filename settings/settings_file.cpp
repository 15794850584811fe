#include "settings/settings_file.h"

#include <system_error>

#include "tuning/weather_table.h"

void SettingsFile::setPath(const std::string& newPath) {
    path = newPath;
    queryPath = std::filesystem::path(path);
}

bool SettingsFile::exists() const {
    std::error_code error;
    const auto status = std::filesystem::status(queryPath, error);
    if (status.type() == std::filesystem::file_type::not_found) return false;
    if (!error) return true;
    // "Absent" also covers a missing directory on the path and an invalid or too long name.
    if (error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory ||
        error == std::errc::invalid_argument || error == std::errc::filename_too_long) {
        return false;
    }
    return true;
}

void SettingsFile::writeDefaults() {
    writer.path = path;
    writer.writeBool(kSettingsSection, kEnabledKey, true);
    for (const WeatherEntry& entry : weatherTable) {
        writer.writeInt(entry.section, entry.accuracyKey, kDefaultAccuracy);
        writer.writeFloat(entry.section, entry.damageModKey, kDefaultDamageModifier);
    }
}
