// The settings file: the default content, typed reads through the platform, and the
// existence check that decides when defaults are written.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "settings/ini_reader.h"
#include "settings/settings_file.h"
#include "settings/weather_table.h"
#include "tests/support/scratch_dir.h"

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    ScratchDir scratch;
    SettingsFile settings;
    IniReader reader{kSettingsFileName};

    void SetUp() override { settings.setPath(kSettingsFileName); }
};

// Section, key and value of every line of the file, in order.
std::vector<std::string> entriesOf(const std::string& text) {
    std::vector<std::string> entries;
    std::string section, line;
    for (char c : text + "\n") {
        if (c != '\r' && c != '\n') {
            line += c;
            continue;
        }
        if (!line.empty() && line.front() == '[') section = line.substr(1, line.size() - 2);
        else if (!line.empty()) entries.push_back(section + "/" + line);
        line.clear();
    }
    return entries;
}

TEST_F(SettingsFileTest, DefaultFileHoldsEveryEntryInOrder) {
    EXPECT_FALSE(settings.exists());
    settings.writeDefaults();
    EXPECT_TRUE(settings.exists());

    std::vector<std::string> expected = {"Settings/Enabled=1"};
    for (const WeatherEntry& entry : weatherTable) {
        expected.push_back(std::string(entry.section) + "/" + entry.accuracyKey + "=12829");
        expected.push_back(std::string(entry.section) + "/" + entry.damageModKey + "=1");
    }
    const std::string text = readFile(kSettingsFileName);
    EXPECT_EQ(entriesOf(text), expected);
    std::size_t sections = 0;
    for (std::size_t at = text.find('['); at != std::string::npos; at = text.find('[', at + 1)) ++sections;
    EXPECT_EQ(sections, 1 + kWeatherCount);

    EXPECT_TRUE(reader.readBool("Settings", "Enabled", false));
    for (const WeatherEntry& entry : weatherTable) {
        EXPECT_EQ(reader.readInt(entry.section, entry.accuracyKey, 0), 12829) << entry.name;
        EXPECT_EQ(reader.readFloat(entry.section, entry.damageModKey, 0.0f), 1.0f) << entry.name;
    }
}

TEST_F(SettingsFileTest, EmptyFileExistsAndGivesTheCallersDefaults) {
    writeFile(kSettingsFileName, "");
    EXPECT_TRUE(settings.exists());
    EXPECT_FALSE(reader.readBool("Settings", "Enabled", false));
    EXPECT_EQ(reader.readInt("WeatherType_Rain", "Accuracy_Rain", 0), 0);
    EXPECT_EQ(reader.readFloat("WeatherType_Rain", "DamageMod_Rain", 0.0f), 0.0f);
}

TEST_F(SettingsFileTest, DirectoryOfThatNameCountsAsExisting) {
    std::filesystem::create_directory("Veltrane.ini");
    EXPECT_TRUE(settings.exists());
    EXPECT_TRUE(reader.readBool("Settings", "Enabled", true));
    EXPECT_EQ(reader.readInt("WeatherType_Rain", "Accuracy_Rain", 77), 77);
}

TEST_F(SettingsFileTest, NamesThatCannotBeThereAreAbsent) {
    writeFile("plain-file", "x");
    std::string deep;
    while (deep.size() < 5000) deep += "abcdefghi/";  // beyond Windows' 260 and Linux's 4096
    const std::string paths[] = {
        "./no-such-dir/Veltrane.ini",
        "./plain-file/Veltrane.ini",            // a file where a directory should be
        "./Velt<ra|ne>.ini",                    // no Windows name holds these characters
        "./" + std::string(300, 'v') + ".ini",  // a name longer than any file system allows
        "./" + deep + "Veltrane.ini",
    };
    for (const std::string& path : paths) {
        SettingsFile other;
        other.setPath(path);
        EXPECT_FALSE(other.exists()) << path.substr(0, 60);
    }
}

TEST_F(SettingsFileTest, QueryThatFailsForAnotherReasonCountsAsExisting) {
    // A link that points at itself can't be resolved: that is not "absent", so the defaults
    // must not be written over whatever is there.
#ifdef _WIN32
    // Programs under Wine can't make links: the build makes one, reached through drive Z:.
    const char* link = std::getenv("VELTRANE_SELF_LINK");
    if (link == nullptr) GTEST_SKIP() << "VELTRANE_SELF_LINK (set by CTest) names no link to itself";
    settings.setPath(link);
#else
    std::filesystem::create_symlink("Veltrane.ini", "Veltrane.ini");
#endif
    EXPECT_TRUE(settings.exists());
}

TEST_F(SettingsFileTest, ReadsParseTheStoredText) {
    writeFile(kSettingsFileName,
              "[Settings]\r\nEnabled=   1\r\n"
              "[WeatherType_Rain]\r\nAccuracy_Rain=50abc\r\nDamageMod_Rain=0,5\r\n"
              "[WeatherType_Snow]\r\nAccuracy_Snow=2147483648\r\nDamageMod_Snow=1e39\r\n"
              "[WeatherType_Fog]\r\nAccuracy_Fog=-1\r\nDamageMod_Fog=0.1234567\r\n"
              "[Long]\r\nv=" + std::string(255, '1') + "9\r\nf=0." + std::string(300, '5') + "\r\n" +
              "whole=" + std::string(254, '0') + "7\r\ncut=" + std::string(255, '0') + "7\r\n");
    EXPECT_TRUE(reader.readBool("Settings", "Enabled", false));
    EXPECT_EQ(reader.readInt("WeatherType_Rain", "Accuracy_Rain", 0), 50);
    EXPECT_EQ(reader.readFloat("WeatherType_Rain", "DamageMod_Rain", 0.0f), 0.0f);
    EXPECT_EQ(reader.readInt("WeatherType_Snow", "Accuracy_Snow", 0), 2147483647);
    EXPECT_EQ(reader.readFloat("WeatherType_Snow", "DamageMod_Snow", 7.0f), 0.0f);
    EXPECT_EQ(reader.readInt("WeatherType_Fog", "Accuracy_Fog", 0), -1);
    EXPECT_EQ(reader.readFloat("WeatherType_Fog", "DamageMod_Fog", 0.0f), 0.1234567f);  // full precision
    EXPECT_EQ(reader.readInt("Long", "v", 0), 2147483647);
    EXPECT_EQ(reader.readFloat("Long", "f", 0.0f), 0.5555555555f);
    EXPECT_EQ(reader.readInt("Long", "whole", 0), 7);  // 255 characters: all of them are read
    EXPECT_EQ(reader.readInt("Long", "cut", 9), 0);    // 256: the last one is not
}

TEST_F(SettingsFileTest, DefaultsPassThroughTheirTextForm) {
    EXPECT_EQ(reader.readFloat("S", "missing", 0.1234567f), 0.123457f);
    EXPECT_EQ(reader.readFloat("S", "missing", 1e7f), 1e7f);
    for (std::int32_t value : {0, -5, 12829, 2147483647, -2147483647 - 1})
        EXPECT_EQ(reader.readInt("S", "missing", value), value);
    EXPECT_TRUE(reader.readBool("S", "missing", true));
    EXPECT_FALSE(std::filesystem::exists(kSettingsFileName));  // reads never create the file
}

TEST_F(SettingsFileTest, WriterUsesTheTextForms) {
    IniWriter writer{kSettingsFileName};
    writer.writeBool("S", "b", false);
    writer.writeInt("S", "i", -5);
    writer.writeFloat("S", "f", 1e7f);
    writer.writeFloat("S", "g", 0.1234567f);
    EXPECT_EQ(entriesOf(readFile(kSettingsFileName)),
              (std::vector<std::string>{"S/b=0", "S/i=-5", "S/f=1e+07", "S/g=0.123457"}));
}

// The path set is the file the existence check asks about and the defaults go to; until one is
// set, a settings file names none.
TEST_F(SettingsFileTest, ChecksAndWritesTheFileAtItsPath) {
    EXPECT_EQ(settings.getPath(), "./Veltrane.ini");  // the plugin's: in the folder the game starts in
    SettingsFile other;
    EXPECT_EQ(other.getPath(), "");
    other.setPath("./Other.ini");
    EXPECT_FALSE(other.exists());
    other.writeDefaults();
    EXPECT_TRUE(other.exists());
    EXPECT_EQ(entriesOf(readFile("Other.ini")).size(), 1 + 2 * kWeatherCount);
    EXPECT_FALSE(settings.exists());  // nothing was written at the other path
}

}  // namespace
