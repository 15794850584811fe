#pragma once
// The layout of the doctor-agreement run, shared by the program that writes its scenario and
// the checker that reads its trace. For each seed, the game's Veltrane.ini is that seed's
// random settings file (some with lines Windows and Wine read apart: the game reads Wine's);
// then the weather goes through the plugin's 22 weathers, one every kFramesPerWeather frames. Each weather starts with fresh peds: one the game exempts (its
// accuracy would give another value for 12829), then two to tune, whose values are unlikely
// to be any file's.

#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "settings/weather_hash.h"
#include "settings/weather_table.h"
#include "tests/support/random_settings.h"

namespace doctor_agreement {

inline constexpr std::uint32_t kSeeds[] = {101, 102, 103, 104, 105, 106, 107, 108, 109, 110};
inline constexpr std::size_t kSeedCount = std::size(kSeeds);

// Damage modifier first, then accuracy, then one frame that must be quiet.
inline constexpr std::uint32_t kFramesPerWeather = 3;
inline constexpr std::uint32_t kFrames = kSeedCount * kWeatherCount * kFramesPerWeather;

inline constexpr std::int32_t kExemptAccuracy = 3;  // 3 | 0x2C = 47, not 60
inline constexpr std::int32_t kPedAccuracy = 20;    // 20 | 0x2C = 60
inline constexpr float kPedDamage = 7.25f;
inline constexpr std::uint32_t kPedsPerWeather = 3;
inline constexpr std::uint32_t kFirstHandle = 0x100;

// One weather of one seed's file.
struct Phase {
    std::size_t seedIndex;
    std::size_t weatherIndex;

    std::size_t index() const { return seedIndex * kWeatherCount + weatherIndex; }
    std::uint32_t firstFrame() const { return static_cast<std::uint32_t>(index()) * kFramesPerWeather; }
    // The peds spawned for this phase, in world order: exempt, then the two to tune.
    std::int32_t exemptPed() const { return static_cast<std::int32_t>(kFirstHandle + index() * kPedsPerWeather); }
    std::int32_t tunedPed(int i) const { return exemptPed() + 1 + i; }
    const WeatherEntry& weather() const { return weatherTable[weatherIndex]; }
};

inline std::string settingsText(std::size_t seedIndex) { return readApartSettingsFile(kSeeds[seedIndex]); }

using ::hashText;

inline nlohmann::ordered_json scenario() {
    using json = nlohmann::ordered_json;
    json events = json::array();
    for (std::size_t s = 0; s < kSeedCount; ++s) {
        for (std::size_t w = 0; w < kWeatherCount; ++w) {
            const Phase phase{s, w};
            const std::uint32_t frame = phase.firstFrame();
            if (s > 0 && w == 0) events.push_back({{"frame", frame}, {"writeFile", settingsText(s)}});
            events.push_back({{"frame", frame}, {"weather", hashText(phase.weather().hash)}});
            if (phase.index() > 0) events.push_back({{"frame", frame}, {"despawn", kPedsPerWeather}});
            events.push_back({{"frame", frame},
                              {"spawn", {{"count", 1}, {"accuracy", kExemptAccuracy}, {"damage", kPedDamage}, {"exempt", 1}}}});
            events.push_back({{"frame", frame},
                              {"spawn", {{"count", kPedsPerWeather - 1}, {"accuracy", kPedAccuracy}, {"damage", kPedDamage}}}});
        }
    }
    return json{{"name", "The doctor agrees with the plugin"},
                {"description", "Random settings files, each through the " + std::to_string(kWeatherCount) +
                                    " weathers with fresh peds; tests/sim/sim_doctor_agrees_test.cpp compares the "
                                    "writes with the doctor's values."},
                {"frames", kFrames},
                {"ini", settingsText(0)},
                {"events", events}};
}

}  // namespace doctor_agreement
