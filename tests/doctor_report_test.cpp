// What the doctor reports of a settings file: exit statuses, what --quiet leaves out and
// --details adds, advice that fits the path given, and the forms of the command line.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "doctor/cli/doctor_cli.h"
#include "doctor/os/os.h"
#include "doctor/settings/report.h"
#include "doctor/settings/settings_check.h"
#include "settings/weather_table.h"
#include "tests/support/doctor_run.h"

namespace {

TEST_F(DoctorCli, ExitStatusSaysWhetherThereIsAnythingToLookAt) {
    struct Case {
        const char* what;
        std::string content;  // empty: no file
        std::vector<std::string> args;
        int status;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {"clean default file", joinLines(defaultSettingsLines()), {"Veltrane.ini"}, 0, {"Damage modifier", "No warnings"}},
        {"comma decimal", withRainDamage("0,5"), {"Veltrane.ini"}, 1, {"Damage modifier", "write instead: DamageMod_Rain=0.5"}},
        {"given path", withRainDamage("0,5"), {"./Veltrane.ini"}, 1, {"DamageMod_Rain=0.5"}},
        {"caution", withRainDamage("0"), {"-q", "Veltrane.ini"}, 1, {"DamageMod_Rain", "no damage"}},
        {"missing file", "", {"Veltrane.ini"}, 1, {"--write-defaults \"Veltrane.ini\""}},
        {"help", "", {"--help"}, 0, {"--quiet", "--write-defaults", "Exit status"}},
        {"version", "", {"--version"}, 0, {"."}},
    };
    for (const Case& c : cases) {
        putSettingsFile(c.content);
        const DoctorRun run = doctor(c.args);
        EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.out << run.err;
        for (const std::string& part : c.shown) EXPECT_TRUE(contains(run.out, part)) << c.what << ": " << part << "\n" << run.out;
    }

    for (const std::vector<std::string>& wrong : {std::vector<std::string>{"--no-such-option"}, {"a.ini", "b.ini"}}) {
        const DoctorRun run = doctor(wrong);
        EXPECT_EQ(run.status, 2) << wrong.front();
        EXPECT_TRUE(contains(run.err, "usage: veltrane-doctor")) << run.err;
    }
}

// A folder of the file's name: neither readable nor writable for the plugin, and no values
// of its "default" file apply (that one has the switch on).
// A command for the player to type is never broken over lines, wherever it falls in a
// sentence; the rest still breaks at a blank within 79 columns.
TEST(DoctorWrap, NeverBreaksACommand) {
    const std::string longFolder = "/home/deck/.local/share/Steam/steamapps/common/Red Dead Redemption 2";
    const std::string install = "./veltrane-doctor --install \"" + longFolder + "\"";
    const std::string folderCheck = "veltrane-doctor --write-defaults --game \"D:\\Games\\Red Dead Redemption 2\"";
    struct Case {
        std::string text, command;
    };
    const Case cases[] = {
        {"Fix: copy Veltrane.asi from the package into this folder, or let the doctor do it: " + install, install},
        {"Fix: start the game with the plugin (it writes the file), or write it with " + folderCheck, folderCheck},
        {folderCheck + " writes it; " + std::string(60, 'x') + " and more words after it", folderCheck},
        {"Name it with --game DIR, the folder holding RDR2.exe, or install the game and start its launcher once",
         "with --game DIR,"},
        {"a quote that never closes: \"" + std::string(30, 'y') + " and words enough to fill more than one line",
         "more than"},
    };
    for (const Case& c : cases) {
        for (const std::string& first : {std::string(), "FAIL 5 Settings file: " + std::string(20, '.') + " "}) {
            const std::vector<std::string> lines = wrapped(c.text, "  ", first);
            std::string joined;
            bool whole = false;
            for (std::size_t i = 0; i < lines.size(); ++i) {
                whole = whole || lines[i].find(c.command) != std::string::npos;
                if (lines[i].find(c.command) == std::string::npos) {
                    EXPECT_LE(lines[i].size(), 79u) << lines[i];
                }
                joined += (i == 0 ? "" : " ") + lines[i].substr(i == 0 ? first.size() : 2);
            }
            EXPECT_TRUE(whole) << c.command;
            EXPECT_EQ(joined, c.text) << "no word lost or added";
        }
    }
}

TEST_F(DoctorCli, FolderOfTheFilesNameIsNamedAsSuch) {
    std::filesystem::create_directory("Veltrane.ini");
    for (const std::vector<std::string>& args : {std::vector<std::string>{"Veltrane.ini"}, {"--write-defaults", "Veltrane.ini"}, {"--fix", "Veltrane.ini"}}) {
        const DoctorRun run = doctor(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(contains(run.out, "holds a folder")) << run.out;
        EXPECT_TRUE(contains(run.out, "Rename or remove that folder")) << run.out;
        EXPECT_FALSE(contains(run.out, "default")) << run.out;
        EXPECT_TRUE(std::filesystem::is_directory("Veltrane.ini"));
    }
}

// Advice holds for the path given: another name is never the plugin's file, and every
// command suggested repeats the path.
TEST_F(DoctorCli, AdviceFitsThePathGiven) {
    std::filesystem::create_directory("game");
    struct Case {
        std::string path;
        bool pluginsName;
    };
    for (const Case& c : {Case{"Veltrane.ini", true}, Case{"game/Veltrane.ini", true}, Case{"Veltrane.ni", false},
                          Case{"game/settings.ini", false}}) {
        const DoctorRun run = doctor({c.path});
        EXPECT_EQ(run.status, 1) << c.path;
        EXPECT_TRUE(contains(run.out, "veltrane-doctor --write-defaults \"" + c.path + "\"")) << run.out;
        EXPECT_EQ(contains(run.out, "writes the default file (switch on"), c.pluginsName) << run.out;
        EXPECT_EQ(contains(run.out, "never a file of another name"), !c.pluginsName) << run.out;

        writeFile(c.path, withRainDamage("0,5"));
        const DoctorRun warned = doctor({c.path});
        EXPECT_TRUE(contains(warned.out, "veltrane-doctor --fix \"" + c.path + "\"")) << warned.out;
        std::filesystem::remove(c.path);
    }
}

// A path that starts with "/" is a path on every platform: players under Wine or Proton type
// the Unix path of the game folder. Under Wine the scratch folder is on drive C:, which is the
// prefix's drive_c.
TEST_F(DoctorCli, PathStartingWithSlashIsAPath) {
    writeFile("Veltrane.ini", withRainDamage("0,5"));
    const std::filesystem::path here = std::filesystem::current_path();
    const char* winePrefix = std::getenv("WINEPREFIX");
    const std::string unixPath = here.has_root_name() && winePrefix
                                     ? std::string(winePrefix) + "/drive_c/" + here.relative_path().generic_string()
                                     : here.generic_string();
    ASSERT_EQ(unixPath.front(), '/');
    const DoctorRun run = doctor({unixPath + "/Veltrane.ini", "--quiet"});
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_TRUE(contains(run.out, "write instead: DamageMod_Rain=0.5")) << run.out << run.err;
}

// Under Wine (the Windows build's tests run there, with a Wine prefix) and from Linux, where the
// game runs through Proton, the report shows the file as Wine reads it, and what Windows reads
// where it reads otherwise; on Windows, Windows' reading first and Wine's beside it.
TEST_F(DoctorCli, SaysWhenItRunsUnderWine) {
    writeFile("Veltrane.ini", joinLines(defaultSettingsLines()));
#ifdef _WIN32
    // The Windows build's tests run under Wine, with the prefix set.
    if (std::getenv("WINEPREFIX") != nullptr) {
        EXPECT_FALSE(wineVersion().empty());
    }
#else
    EXPECT_TRUE(wineVersion().empty());
#endif
    EXPECT_EQ(gameRunsOnWine(), !wineVersion().empty() || !fileNamesIgnoreCase());
    const DoctorRun run = doctor({"Veltrane.ini"});
    EXPECT_EQ(contains(run.out, "on Wine " + wineVersion() + " (or Proton), shown as Wine reads it"),
              !wineVersion().empty())
        << run.out;
    EXPECT_EQ(contains(run.out, "shown as Wine"), gameRunsOnWine()) << run.out;
    // A byte-order mark: Windows misses [Settings], Wine skips the mark.
    const std::string marked = "\xEF\xBB\xBF" + joinLines(defaultSettingsLines());
    writeFile("Veltrane.ini", marked);
    const DoctorRun shown = doctor({"Veltrane.ini"});
    EXPECT_EQ(contains(shown.out, "Enabled is 1: on"), gameRunsOnWine()) << shown.out;
    EXPECT_EQ(contains(shown.out, "On Windows the plugin would read Enabled missing."), gameRunsOnWine())
        << shown.out;
    for (const auto reader : {profile_text::Reader::Windows, profile_text::Reader::Wine}) {
        std::ostringstream out;
        printReport(out, checkSettingsFile("Veltrane.ini", {}, reader), {});
        const bool onWine = reader == profile_text::Reader::Wine;
        EXPECT_EQ(contains(out.str(), "Enabled is missing"), !onWine) << out.str();
        EXPECT_EQ(contains(out.str(), "Under Wine or Proton the plugin reads Enabled=1."), !onWine) << out.str();
    }
}

TEST_F(DoctorCli, QuietPrintsOnlyTheWarnings) {
    writeFile("Veltrane.ini", joinLines(defaultSettingsLines()));
    // The whole report of a default file and the double-click's "Press Enter" line fit a
    // console window of 30 lines.
    const std::string report = doctor({"Veltrane.ini"}).out;
    EXPECT_LE(std::count(report.begin(), report.end(), '\n'), 29) << report;
    DoctorRun run = doctor({"--quiet", "Veltrane.ini"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");

    writeFile("Veltrane.ini", withRainDamage("0,5"));
    run = doctor({"-q", "Veltrane.ini"});
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(contains(run.out, "Damage modifier"));
    EXPECT_FALSE(contains(run.out, "Accuracy_Blizzard"));
    EXPECT_TRUE(contains(run.out, "write instead: DamageMod_Rain=0.5"));
}

// A damage modifier that reads as 150 times the damage is as harmful as none: in the few lines
// of --quiet it comes before warnings that change nothing in play.
TEST_F(DoctorCli, QuietShowsAHugeDamageModifierFirst) {
    writeFile("Veltrane.ini", joinLines({"[Settings]", "Enabled=1", "[WeatherType_Rain]", "Accuracy_Rain=35%",
                                         "DamageMod_Rain=150%", "[WeatherType_Sunny]", "Accuracy_Sunny=50",
                                         "DamageMod_Sunny=1"}));
    const DoctorRun run = doctor({"--quiet", "Veltrane.ini"});
    EXPECT_TRUE(contains(run.out, "write instead: DamageMod_Rain=1.5")) << run.out;
}

// A near name beside a missing settings file is named, with how to rename it; the report says
// which folder it looked in.
TEST_F(DoctorCli, MissingFileNamesTheNearNamesBesideIt) {
    for (const char* name : {"Veltrane.ini.txt", "Veltrane.ini.ini", "Veltrane .ini", "Veltrane(1).ini",
                             "veltrane (1).INI", "Veltrane.txt"}) {
        writeFile(name, joinLines(defaultSettingsLines()));
        const DoctorRun run = doctor({"Veltrane.ini"});
        EXPECT_TRUE(contains(run.out, std::string("\"") + name + "\" is here")) << run.out;
        EXPECT_TRUE(contains(run.out, "File name extensions")) << run.out;
        EXPECT_TRUE(contains(run.out, std::filesystem::current_path().filename().string())) << run.out;
        std::filesystem::remove(name);
    }
    writeFile("Veltrane.ini.bak", "x");
    writeFile("Other.ini", "x");
    EXPECT_FALSE(contains(doctor({"Veltrane.ini"}).out, "is here"));
}

// A Windows player's ways: "/fix" and "/?" are options, not file names; a clean UTF-16 file (as
// Notepad saves it) has nothing to fix; --details lists every warning it counts; no line outgrows
// an 80-column console. The name keeps ten letters: the report prints the scratch folder named
// after the test, so a longer name wraps the lines of the golden file otherwise.
TEST_F(DoctorCli, WindowsWay) {
    EXPECT_EQ(doctor({"/?"}).status, 0);
    EXPECT_TRUE(contains(doctor({"/?"}).out, "--write-defaults"));

    writeFile("Veltrane.ini", withRainDamage("0,5"));
    EXPECT_EQ(doctor({"/fix", "Veltrane.ini"}).status, 0);
    EXPECT_EQ(readFile("Veltrane.ini"), withRainDamage("0.5"));

    std::string utf16 = "\xFF\xFE";
    for (char c : joinLines(defaultSettingsLines())) utf16 += std::string{c, '\0'};
    writeFile("Veltrane.ini", utf16);
    const DoctorRun clean = doctor({"--fix", "Veltrane.ini"});
    EXPECT_EQ(clean.status, 0) << clean.out << clean.err;
    EXPECT_EQ(clean.err, "");

    writeFile("Veltrane.ini", "[Window]\r\nWidth=800\r\n");
    const DoctorRun details = doctor({"--details", "Veltrane.ini"});
    const std::size_t entries = 1 + 2 * weatherTable.size() + 1;  // and the section never read
    EXPECT_TRUE(contains(details.out, std::to_string(entries) + " warnings:")) << details.out;
    std::size_t listed = 0;
    for (const char* start : {"\n  [", "\n  line "})
        for (std::size_t at = details.out.find(start); at != std::string::npos; at = details.out.find(start, at + 1))
            ++listed;
    EXPECT_EQ(listed, entries) << details.out;

    SettingsLines trimmed = {"[WeatherType_Rain]", "Accuracy_Rain=50%", "DamageMod_Rain=x2"};
    writeFile("Veltrane.ini", joinLines(trimmed));
    for (const std::vector<std::string>& args : {std::vector<std::string>{"Veltrane.ini"}, {"--fix", "Veltrane.ini"}}) {
        std::istringstream lines(doctor(args).out);
        for (std::string line; std::getline(lines, line);)
            EXPECT_LE(line.size(), 79u) << line;
    }
}

}  // namespace
