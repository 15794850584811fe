// What the doctor writes, and only that: the settings file is never written except by
// --write-defaults on a missing file, by --fix or by a "y" to its question; neither claims a
// change it did not make, and every --fix keeps the original as a backup of its own.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "doctor/cli/doctor_cli.h"
#include "settings/settings_file.h"
#include "settings/weather_table.h"
#include "tests/support/doctor_run.h"

namespace {

std::string joinWith(const SettingsLines& lines, const std::string& ending) {
    std::string text;
    for (const std::string& line : lines) text += line + ending;
    return text;
}

// The doctor says it wrote only what it reads back, and else why not, with status 2.
TEST_F(DoctorCli, WriteThatFailsIsReportedAsSuch) {
    writeFile("not-a-folder", "x");
    struct Case {
        std::string path;
        const char* why;
    };
    for (const Case& c : {Case{"no/such/dir/Veltrane.ini", "does not exist"},
                          Case{"not-a-folder/Veltrane.ini", "does not exist"},
                          Case{std::string(300, 'x') + ".ini", "Could not write"}}) {
        const DoctorRun run = doctor({"--write-defaults", c.path});
        EXPECT_EQ(run.status, 2) << c.path.substr(0, 40) << "\n" << run.out << run.err;
        EXPECT_FALSE(contains(run.out, "Wrote")) << run.out;
        EXPECT_TRUE(contains(run.err, c.why)) << run.err;
    }
}

// A default file written under another name is written, and said to be: that the plugin never
// reads it is a warning, not a failed write.
TEST_F(DoctorCli, WriteDefaultsUnderAnotherNameSaysWhatItDid) {
    const DoctorRun run = doctor({"--write-defaults", "./settings-copy.ini"});
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_TRUE(contains(run.out, "Wrote the default settings file")) << run.out;
    EXPECT_TRUE(contains(run.out, "never reads this file")) << run.out;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(readFile("settings-copy.ini"), joinLines(defaultSettingsLines()));
}

TEST_F(DoctorCli, NeverChangesAnExistingFile) {
    const std::string contents[] = {
        joinLines(defaultSettingsLines()),
        withRainDamage("0,5"),
        "",
        "[Settings]\nEnabled=on\n[WeatherType_Thunderstrom]\nAccuracy_Thunderstorm=50\n",
        "garbage without sections \xff\xfe\r\n",
    };
    for (const std::string& content : contents) {
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{}, {"--quiet"}, {"--write-defaults"}, {"--write-defaults", "--quiet"}, {"--details"}}) {
            writeFile("Veltrane.ini", content);
            std::vector<std::string> named = args;
            named.push_back("Veltrane.ini");
            doctor(named);
            EXPECT_EQ(readFile("Veltrane.ini"), content);
        }
    }
    EXPECT_EQ(std::filesystem::directory_iterator(".")->path().filename(), "Veltrane.ini");
}

TEST_F(DoctorCli, WriteDefaultsOnAMissingFileWritesWhatThePluginWrites) {
    std::filesystem::create_directory("plugin");
    SettingsFile plugin;
    plugin.setPath("./plugin/Veltrane.ini");
    plugin.writeDefaults();

    const DoctorRun run = doctor({"--write-defaults", "Veltrane.ini"});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(contains(run.out, "Wrote the default settings file"));
    EXPECT_EQ(readFile("Veltrane.ini"), readFile("plugin/Veltrane.ini"));

    const DoctorRun without = doctor({"other.ini"});
    EXPECT_EQ(without.status, 1);
    EXPECT_FALSE(std::filesystem::exists("other.ini"));
}

// --fix changes the faulty lines and nothing else: endings, comments, blank lines and order
// stay; a missing key goes to the end of its section, a missing section to the end. The fixed
// file then reads without a warning, and the original is in the backup.
TEST_F(DoctorCli, FixChangesOnlyTheFaultyLines) {
    SettingsLines player = defaultSettingsLines();
    player.insert(player.begin(), {"; my settings", ""});
    player.insert(player.begin() + static_cast<std::ptrdiff_t>(findLine(player, "[WeatherType_Drizzle]")), "");
    player.insert(player.begin() + static_cast<std::ptrdiff_t>(findLine(player, "[WeatherType_Rain]")),
                  {"", "; rain: half damage"});
    const SettingsLines broken = replaced(replaced(player, "DamageMod_Rain=", "DamageMod_Rain=0,5"), "Enabled=", "Enabled=on");
    const SettingsLines fixed = replaced(replaced(player, "DamageMod_Rain=", "DamageMod_Rain=0.5"), "Enabled=", "Enabled=1");
    // The blizzard's keys, then its blank line; the table's last weather has the last section.
    const SettingsLines noKey = removed(player, "DamageMod_Blizzard=");
    const SettingsLines noSection = removed(player, std::string("[") + weatherTable.back().section + "]", 3);

    struct Case {
        const char* what;
        std::string original;
        std::string expected;
    };
    const Case cases[] = {
        {"CR LF", joinWith(broken, "\r\n"), joinWith(fixed, "\r\n")},
        {"LF", joinWith(broken, "\n"), joinWith(fixed, "\n")},
        {"UTF-8 mark before a comment", "\xEF\xBB\xBF" + joinWith(broken, "\r\n"), "\xEF\xBB\xBF" + joinWith(fixed, "\r\n")},
        {"mark before [Settings]", "\xEF\xBB\xBF" + joinLines(defaultSettingsLines()), joinLines(defaultSettingsLines())},
        {"missing key", joinWith(noKey, "\n"), joinWith(player, "\n")},
        {"missing section, no final line end", joinWith(noSection, "\r\n").substr(0, joinWith(noSection, "\r\n").size() - 2),
         joinWith(player, "\r\n")},
        {"misspelt section",
         joinLines(replaced(defaultSettingsLines(), "[WeatherType_Thunderstorm]", "[WeatherType_Thunderstrom]")),
         joinLines(defaultSettingsLines())},
        {"empty file", "", joinLines(defaultSettingsLines())},
    };
    for (const Case& c : cases) {
        std::filesystem::remove("Veltrane.ini.bak");
        writeFile("Veltrane.ini", c.original);
        const DoctorRun run = doctor({"--fix", "Veltrane.ini"});
        EXPECT_EQ(run.status, 0) << c.what << "\n" << run.out << run.err;
        EXPECT_EQ(readFile("Veltrane.ini"), c.expected) << c.what << "\n" << run.out;
        EXPECT_EQ(readFile("Veltrane.ini.bak"), c.original) << c.what;
        EXPECT_TRUE(contains(run.out, "No warnings")) << c.what << "\n" << run.out;
    }
}

TEST_F(DoctorCli, FixRefusesWhatItCannotDoSafely) {
    const std::string utf16 = utf16File(withRainDamage("0,5"), false);
    writeFile("Veltrane.ini", utf16);
    const DoctorRun run = doctor({"--fix", "Veltrane.ini"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(contains(run.err, "UTF-16")) << run.err;
    EXPECT_EQ(readFile("Veltrane.ini"), utf16);
    EXPECT_FALSE(std::filesystem::exists("Veltrane.ini.bak"));
}

// Started by double-click, the doctor asks before it writes; only "y" is yes.
TEST_F(DoctorCli, AsksBeforeChangingAnything) {
    struct Case {
        const char* what;
        std::string content;  // empty: no file
        const char* answer;
        const char* question;
        bool changes;
        std::string txt;  // the player's edits in Veltrane.ini.txt beside it; empty: none
    };
    const std::string edited = withRainDamage("0.5");
    const char* swap = "Keep Veltrane.ini as Veltrane.ini.2.bak and rename Veltrane.ini.txt to Veltrane.ini now? [y/N]";
    const Case cases[] = {
        {"fix, yes", withRainDamage("0,5"), "y\n", "Fix this line now? The original is kept as Veltrane.ini.bak. [y/N]", true, ""},
        {"fix, enter", withRainDamage("0,5"), "\n", "Fix this line", false, ""},
        {"fix, no input", withRainDamage("0,5"), "", "Fix this line", false, ""},
        {"write, yes", "", "Y\n", "Write the default settings file now? [y/N]", true, ""},
        {"write, no", "", "n\n", "Write the default settings file now?", false, ""},
        {"edits in Veltrane.ini.txt, yes", joinLines(defaultSettingsLines()), "yes\n", swap, true, edited},
        {"edits in Veltrane.ini.txt, no", joinLines(defaultSettingsLines()), "n\n", swap, false, edited},
        {"edits in Veltrane.ini.txt, no input", joinLines(defaultSettingsLines()), "", swap, false, edited},
        // The file taken in is checked again, and its own mistakes offered to fix.
        {"edits in Veltrane.ini.txt with a mistake, yes, no", joinLines(defaultSettingsLines()), "y\nn\n",
         "Veltrane.ini.txt is now Veltrane.ini.", true, withRainDamage("0,5")},
    };
    for (const Case& c : cases) {
        putSettingsFile(c.content);
        for (const char* file : {"Veltrane.ini.bak", "Veltrane.ini.2.bak", "Veltrane.ini.txt"}) std::filesystem::remove(file);
        // A backup of the player's own: the one made beside it takes the next number.
        if (!c.txt.empty()) writeFile("Veltrane.ini.txt", c.txt), writeFile("Veltrane.ini.bak", "mine");
        const DoctorRun run = doctor({"Veltrane.ini"}, c.answer);
        EXPECT_TRUE(contains(run.out, c.question)) << c.what << "\n" << run.out;
        const std::string now = std::filesystem::exists("Veltrane.ini") ? readFile("Veltrane.ini") : "";
        EXPECT_EQ(now != c.content, c.changes) << c.what << "\n" << run.out << run.err;
        if (c.txt.empty()) continue;
        EXPECT_EQ(readFile("Veltrane.ini.bak"), "mine") << c.what;
        EXPECT_EQ(std::filesystem::exists("Veltrane.ini.txt"), !c.changes) << c.what;
        if (c.changes) {
            EXPECT_EQ(now, c.txt) << c.what;
            EXPECT_EQ(readFile("Veltrane.ini.2.bak"), c.content) << c.what;
        }
        EXPECT_EQ(run.status, c.changes && c.txt == edited ? 0 : 1) << c.what << "\n" << run.out << run.err;
    }
}

// A backup is never overwritten and never blocks a later fix: each --fix keeps its own.
TEST_F(DoctorCli, EveryFixKeepsItsOwnBackup) {
    writeFile("Veltrane.ini.bak", "mine");
    const std::string first = withRainDamage("0,5");
    writeFile("Veltrane.ini", first);
    EXPECT_EQ(doctor({"--fix", "Veltrane.ini"}).status, 0);
    const std::string second = joinLines(replaced(defaultSettingsLines(), "Enabled=", "Enabled=on"));
    writeFile("Veltrane.ini", second);
    const DoctorRun run = doctor({"--fix", "Veltrane.ini"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(readFile("Veltrane.ini.bak"), "mine");
    EXPECT_EQ(readFile("Veltrane.ini.2.bak"), first);
    EXPECT_EQ(readFile("Veltrane.ini.3.bak"), second);
}

}  // namespace
