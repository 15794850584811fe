#include "sim/ini_watch.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/windows_api.h"
#include "settings/ini_reader.h"
#include "settings/settings_file.h"
#include "settings/weather_table.h"
#include "sim/plugin_targets.h"
#include "sim/shown_text.h"
#include "tuning/accuracy_rules.h"

namespace fs = std::filesystem;

namespace sim {

namespace {

// The raw text of a key, or nullopt when the file, section or key is missing.
std::optional<std::string> rawValue(const char* section, const char* key) {
    static const char kMissing[] = "\x01missing";
    char buffer[kProfileBufferSize];
    GetPrivateProfileStringA(section, key, kMissing, buffer, kProfileBufferSize, kSettingsFileName);
    if (std::string(buffer) == kMissing) return std::nullopt;
    return std::string(buffer);
}

bool iniExists() {
    std::error_code error;
    return fs::exists(fs::path(kSettingsFileName), error);
}

}  // namespace

std::string askedText(std::uint32_t weather, const std::vector<Ped>& peds) {
    if (!iniExists()) return "no Veltrane.ini (the plugin writes a fresh default file)";
    const IniReader reader{kSettingsFileName};
    std::ostringstream out;
    const auto enabled = rawValue(kSettingsSection, kEnabledKey);
    out << "Enabled=" << (enabled ? shownText(*enabled) : "(missing)");
    if (!reader.readBool(kSettingsSection, kEnabledKey, false)) out << " (off)";
    const WeatherEntry* entry = findWeatherEntry(weather);
    if (entry == nullptr) {
        out << "; no section for this weather: the plugin keeps its last values";
        return out.str();
    }
    const auto accuracyText = rawValue(entry->section, entry->accuracyKey);
    const std::int32_t accuracy = reader.readInt(entry->section, entry->accuracyKey, 0);
    out << ", " << entry->accuracyKey << "=" << (accuracyText ? shownText(*accuracyText) : "(missing)");
    if (accuracy == kAccuracySentinel) {
        out << " (follow the first ped: ";
        if (const auto first = firstTunedAccuracy(peds)) {
            const std::int32_t resolved = followedAccuracy(*first);
            out << "its accuracy " << *first << " resolves to " << resolved;
            if (!inAccuracyRange(resolved)) out << ", outside 0-100: accuracy left alone";
        } else {
            out << "no ped to follow";
        }
        out << ")";
        if (accuracyText && *accuracyText != std::to_string(accuracy)) out << " (reads " << accuracy << ")";
    } else if (!inAccuracyRange(accuracy)) {
        out << " (reads " << accuracy << ": outside 0-100, accuracy left alone)";
    } else if (!accuracyText || std::to_string(accuracy) != *accuracyText) {
        out << " (reads " << accuracy << ")";
    }
    const auto damageText = rawValue(entry->section, entry->damageModKey);
    const float damage = reader.readFloat(entry->section, entry->damageModKey, 0.0f);
    out << ", " << entry->damageModKey << "=" << (damageText ? shownText(*damageText) : "(missing)");
    std::ostringstream damageRead;
    damageRead << damage;
    if (!damageText || damageRead.str() != *damageText) out << " (reads " << damageRead.str() << ")";
    return out.str();
}

std::string weatherLabel(std::uint32_t hash, const std::string& scenarioName) {
    if (const WeatherEntry* entry = findWeatherEntry(hash)) return entry->name;
    return (scenarioName.empty() ? std::string("unnamed weather") : scenarioName) + ", no row in the plugin's table";
}

std::string iniStatus() {
    if (!iniExists()) return "missing";
    std::ifstream in(kSettingsFileName, std::ios::binary);
    std::size_t entries = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (line.find('=') != std::string::npos) ++entries;
    }
    return "present, " + std::to_string(entries) + " key line(s)";
}

void snapshotIni(IniSnapshot& into) {
    into.bytes.clear();
    std::error_code error;
    const auto status = fs::status(fs::path(kSettingsFileName), error);
    if (status.type() == fs::file_type::not_found || (error && !fs::exists(status))) {
        into.state = IniSnapshot::State::Absent;
        return;
    }
    if (status.type() == fs::file_type::directory) {
        into.state = IniSnapshot::State::Directory;
        return;
    }
    into.state = IniSnapshot::State::File;
    if (FILE* file = std::fopen(kSettingsFileName, "rb")) {
        char chunk[65536];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) into.bytes.append(chunk, n);
        std::fclose(file);
    }
}

}  // namespace sim
