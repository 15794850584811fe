#pragma once
// A recording host with a fresh world, the plugin's records at their load state, and a
// scratch directory holding the test's Veltrane.ini.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/ini_reader.h"
#include "settings/settings_file.h"
#include "settings/weather_hash.h"
#include "tests/support/recording_host.h"
#include "tests/support/scratch_dir.h"
#include "tuning/tuning_state.h"

inline const std::uint32_t kRain = weatherHashOf("Rain");
inline const std::uint32_t kSnow = weatherHashOf("Snow");
inline constexpr std::uint32_t kNoRow = 0x12345678u;

class TuningFixture : public ::testing::Test {
protected:
    ScratchDir scratch;
    IniReader reader{kSettingsFileName};

    TuningFixture() { resetHostAndPlugin(); }

    sim::World& world() { return recordingHost().world; }
    RecordingHost& host() { return recordingHost(); }

    // Writes a settings file with the switch on and the given Rain values.
    void setRain(const std::string& accuracy, const std::string& damage) {
        writeFile(kSettingsFileName, "[Settings]\r\nEnabled=1\r\n[WeatherType_Rain]\r\nAccuracy_Rain=" + accuracy +
                                         "\r\nDamageMod_Rain=" + damage + "\r\n");
    }

    // Rain in the game, and its values in the settings file.
    void rainWith(const std::string& accuracy, const std::string& damage) {
        setRain(accuracy, damage);
        world().weather = kRain;
    }

    // The native names of the last pass, worldGetAllPeds and the weather query left out.
    std::vector<std::string> pedNatives() const {
        std::vector<std::string> names = recordingHost().nativeNames();
        if (!names.empty() && names.front() == "WeatherQuery") names.erase(names.begin());
        return names;
    }
};
