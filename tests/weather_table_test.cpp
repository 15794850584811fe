// The weather table: every hash is the game's name hash, and lookups are exact.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "settings/weather_table.h"
#include "sim/world.h"

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

#ifdef VELTRANE_SOURCE_DIR
// The READMEs write the weathers out: their count wherever they give it, and the player's guide
// the list of names in the default file's order. Adding a weather to the table fails here until
// both say so.
TEST(WeatherTable, TheReadmesGiveItsCountAndItsNamesInOrder) {
    std::vector<std::string> table;
    for (const WeatherEntry& entry : weatherTable) table.push_back(entry.name);
    for (const char* file : {"README.md", "docs/PLAYER-README.txt"}) {
        std::ifstream in(std::string(VELTRANE_SOURCE_DIR) + "/" + file, std::ios::binary);
        ASSERT_TRUE(in) << file;
        std::stringstream text;
        text << in.rdbuf();
        const std::string doc = text.str();

        // The doctor's output quoted in a README ("19 weathers have no values ...") is no count.
        const std::regex count(R"((?:^|[^"\d])(\d+) weathers\b|of the (\d+), such)");
        int counts = 0;
        for (auto it = std::sregex_iterator(doc.begin(), doc.end(), count); it != std::sregex_iterator(); ++it, ++counts) {
            const std::string n = (*it)[1].matched ? (*it)[1].str() : (*it)[2].str();
            EXPECT_EQ(n, std::to_string(kWeatherCount)) << file << ": \"" << it->str() << "\"";
        }
        EXPECT_GE(counts, 1) << file;
        if (std::string(file) == "README.md") continue;  // it points at the player's guide for the names

        // "... (the default file lists them in this order):" and the names in a block of their own,
        // up to a blank line.
        const std::size_t intro = doc.find("lists them in this");
        ASSERT_NE(intro, std::string::npos) << file;
        const std::size_t start = doc.find_first_not_of(" \r\n", doc.find("order):", intro) + 7);
        const std::size_t end = std::min(doc.find('.', start), doc.find("\n\n", start));
        std::vector<std::string> listed;
        const std::regex word(R"([A-Za-z]+)");
        const std::string list = doc.substr(start, end - start);
        for (auto it = std::sregex_iterator(list.begin(), list.end(), word); it != std::sregex_iterator(); ++it)
            listed.push_back(it->str());
        EXPECT_EQ(listed, table) << file;
    }
}
#endif

}  // namespace
