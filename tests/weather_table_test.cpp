// The weather table: every hash is the game's name hash, and lookups are exact.

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "settings/weather_hash.h"
#include "settings/weather_table.h"
#include "tests/support/whole_file.h"

namespace {

// "0x54A69840u", as the table writes a hash: a wrong one is told in the form to copy into it.
std::string asWritten(std::uint32_t hash) { return hashText(hash) + "u"; }

TEST(WeatherTable, EachHashIsTheHashOfItsLowerCaseName) {
    for (const WeatherEntry& entry : weatherTable)
        EXPECT_EQ(asWritten(entry.hash), asWritten(weatherHashOf(entry.name))) << entry.name;
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
std::string sourceFile(const std::string& file) {
    const std::string text = readFile(std::string(VELTRANE_SOURCE_DIR) + "/" + file);
    EXPECT_FALSE(text.empty()) << file;
    return text;
}

// The fuzzers' dictionary can't read the table: it lists each weather in the four forms a
// settings file has it, so that the fuzzers try every one.
TEST(WeatherTable, TheFuzzDictionaryHasEveryWeatherInFourForms) {
    const std::string dict = sourceFile("fuzz/veltrane.dict");
    for (const WeatherEntry& entry : weatherTable) {
        const std::string name = entry.name;
        for (const std::string& form : {name, "[WeatherType_" + name + "]", "Accuracy_" + name + "=", "DamageMod_" + name + "="})
            EXPECT_NE(dict.find("\n\"" + form + "\"\n"), std::string::npos) << "fuzz/veltrane.dict lacks \"" << form << "\"";
    }
}

// Comments that give the table's size in words (the weathers, the rows, the default file's
// entries and headers) say what the table holds.
TEST(WeatherTable, CommentsCountingItsRowsAgreeWithIt) {
    struct Count {
        const char* pattern;
        std::size_t expected;
    };
    const Count counts[] = {
        {R"((\d+)\s+(?://\s*)?weathers)", kWeatherCount},  // also across a comment's line break
        {R"(over (\d+) rows)", kWeatherCount},
        {R"(each of the (\d+))", kWeatherCount},
        {R"((\d+) default entries)", 1 + 2 * kWeatherCount},
        {R"(under their (\d+) headers)", 1 + kWeatherCount},
    };
    for (const char* file : {"settings/weather_table.h", "settings/weather_table.cpp", "settings/settings_file.h",
                             "doctor/settings/settings_check.h", "tests/support/settings_text.h", "tests/support/random_settings.h",
                             "tests/sim/doctor_agreement.h", "tests/sim/sim_doctor_agrees_test.cpp"}) {
        const std::string text = sourceFile(file);
        for (const Count& count : counts) {
            const std::regex pattern(count.pattern);
            for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator(); ++it)
                EXPECT_EQ((*it)[1].str(), std::to_string(count.expected)) << file << ": \"" << it->str() << "\"";
        }
    }
}

// The READMEs write the weathers out: their count wherever they give it, and the player's guide
// the list of names in the default file's order. Adding a weather to the table fails here until
// both say so.
TEST(WeatherTable, TheReadmesGiveItsCountAndItsNamesInOrder) {
    std::vector<std::string> table;
    for (const WeatherEntry& entry : weatherTable) table.push_back(entry.name);
    for (const char* file : {"README.md", "docs/PLAYER-README.txt"}) {
        const std::string doc = sourceFile(file);

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
