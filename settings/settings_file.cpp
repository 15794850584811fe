#include "settings/settings_file.h"

#include "platform/windows_api.h"
#include "settings/weather_table.h"

void SettingsFile::setPath(const std::string& newPath) { path = newPath; }

bool SettingsFile::exists() const {
    // One query. Anything at all under the name (a file, a directory, ...) exists.
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    switch (GetLastError()) {
        // Absent: no such file, no such directory on the path (or a file where one should
        // be), no such network path or share, a name no file can have, a name too long.
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_DIRECTORY:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE: return false;
        // The query failed for another reason (access denied, say): whatever is there is
        // not overwritten with defaults.
        default: return true;
    }
}

void SettingsFile::writeDefaults() {
    writer.path = path;
    writer.writeBool(kSettingsSection, kEnabledKey, true);
    for (const WeatherEntry& entry : weatherTable) {
        writer.writeInt(entry.section, entry.accuracyKey, kDefaultAccuracy);
        writer.writeFloat(entry.section, entry.damageModKey, kDefaultDamageModifier);
    }
}
