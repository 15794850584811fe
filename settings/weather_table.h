#pragma once
// The 22 weathers the plugin knows, each with its settings section and keys. A weather's
// hash is the game's (the Jenkins one-at-a-time hash of its lower-case name).

#include <array>
#include <cstdint>

struct WeatherEntry {
    std::uint32_t hash;
    const char* name;          // W
    const char* section;       // "WeatherType_" W
    const char* accuracyKey;   // "Accuracy_" W, a 32-bit signed integer
    const char* damageModKey;  // "DamageMod_" W, a 32-bit float
};

inline constexpr std::size_t kWeatherCount = 22;

// In the order of the default settings file.
extern const std::array<WeatherEntry, kWeatherCount> weatherTable;

// The row whose hash equals `hash` exactly, or nullptr. No row stands in for another.
const WeatherEntry* findWeatherEntry(std::uint32_t hash);
