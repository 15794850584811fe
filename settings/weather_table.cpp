#include "settings/weather_table.h"

// Spelling each name once keeps the section and keys of a row from drifting apart.
#define VELTRANE_WEATHER(W, HASH) \
    WeatherEntry { HASH, #W, "WeatherType_" #W, "Accuracy_" #W, "DamageMod_" #W }

const std::array<WeatherEntry, kWeatherCount> weatherTable = {{
    VELTRANE_WEATHER(Blizzard, 0x27EA2814u),
    VELTRANE_WEATHER(Drizzle, 0x995C7F44u),
    VELTRANE_WEATHER(Fog, 0xD61BDE01u),
    VELTRANE_WEATHER(GroundBlizzard, 0x7F622122u),
    VELTRANE_WEATHER(Hail, 0x75A9E268u),
    VELTRANE_WEATHER(Hurricane, 0x320D0951u),
    VELTRANE_WEATHER(Misty, 0x5974E8E5u),
    VELTRANE_WEATHER(OvercastDark, 0x19D4F1D9u),
    VELTRANE_WEATHER(Rain, 0x54A69840u),
    VELTRANE_WEATHER(Sandstorm, 0xB17F6111u),
    VELTRANE_WEATHER(Shower, 0xE72679D5u),
    VELTRANE_WEATHER(Sleet, 0x0CA71D7Cu),
    VELTRANE_WEATHER(Snow, 0xEFB6EFF6u),
    VELTRANE_WEATHER(Snowlight, 0x23FB812Bu),
    VELTRANE_WEATHER(Thunder, 0xB677829Fu),
    VELTRANE_WEATHER(Thunderstorm, 0x7C1C4A13u),
    VELTRANE_WEATHER(Whiteout, 0x2B402288u),
    VELTRANE_WEATHER(Snowclearing, 0x641DFC11u),
    VELTRANE_WEATHER(Clouds, 0x30FDAF5Cu),
    VELTRANE_WEATHER(HighPressure, 0xF5A87B65u),
    VELTRANE_WEATHER(Overcast, 0xBB898D2Du),
    VELTRANE_WEATHER(Sunny, 0x614A1F91u),
}};

#undef VELTRANE_WEATHER

const WeatherEntry* findWeatherEntry(std::uint32_t hash) {
    // Once per frame over 22 rows: a linear scan is as fast as anything and plainly exact.
    for (const WeatherEntry& entry : weatherTable) {
        if (entry.hash == hash) return &entry;
    }
    return nullptr;
}
