// The weather table: every hash is the game's name hash, and lookups are exact.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "sim/world.h"
#include "tuning/weather_table.h"

namespace {

TEST(WeatherTable, EachHashIsTheHashOfItsLowerCaseName) {
    for (const WeatherEntry& entry : weatherTable)
        EXPECT_EQ(entry.hash, sim::weatherHashOf(entry.name)) << entry.name;
}

TEST(WeatherTable, RowsAreInTheDefaultFileOrderWithTheirOwnSectionAndKeys) {
    const char* names[] = {"Blizzard", "Drizzle",   "Fog",     "GroundBlizzard", "Hail",         "Hurricane",
                           "Misty",    "OvercastDark", "Rain", "Sandstorm",      "Shower",       "Sleet",
                           "Snow",     "Snowlight", "Thunder", "Thunderstorm",   "Whiteout",     "Snowclearing",
                           "Clouds",   "HighPressure", "Overcast", "Sunny"};
    ASSERT_EQ(weatherTable.size(), std::size(names));
    std::set<std::uint32_t> hashes;
    for (std::size_t i = 0; i < weatherTable.size(); ++i) {
        const WeatherEntry& entry = weatherTable[i];
        const std::string w = names[i];
        EXPECT_EQ(entry.name, w);
        EXPECT_EQ(entry.section, "WeatherType_" + w);
        EXPECT_EQ(entry.accuracyKey, "Accuracy_" + w);
        EXPECT_EQ(entry.damageModKey, "DamageMod_" + w);
        EXPECT_EQ(findWeatherEntry(entry.hash), &entry);
        hashes.insert(entry.hash);
    }
    EXPECT_EQ(hashes.size(), weatherTable.size());
}

TEST(WeatherTable, LookupIsExact) {
    const WeatherEntry* rain = findWeatherEntry(0x54A69840u);
    ASSERT_NE(rain, nullptr);
    EXPECT_STREQ(rain->section, "WeatherType_Rain");
    EXPECT_EQ(findWeatherEntry(0), nullptr);
    for (const WeatherEntry& entry : weatherTable) {
        for (int bit = 0; bit < 32; ++bit) {
            const std::uint32_t near = entry.hash ^ (1u << bit);
            const WeatherEntry* found = findWeatherEntry(near);
            EXPECT_TRUE(found == nullptr || found->hash == near) << entry.name << " bit " << bit;
        }
    }
}

}  // namespace
