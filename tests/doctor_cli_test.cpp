// The doctor's command line: exit statuses, what --quiet leaves out, that the settings file is
// never written except by --write-defaults on a missing file or by --fix, and that neither
// claims a change it did not make.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "doctor/doctor_cli.h"
#include "settings/settings_file.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/settings_text.h"

namespace {

struct DoctorRun {
    int status;
    std::string out;
    std::string err;
};

DoctorRun doctor(std::vector<std::string> args) {
    args.insert(args.begin(), "veltrane-doctor");
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    std::ostringstream out, err;
    const int status = runDoctor(static_cast<int>(argv.size()), argv.data(), out, err);
    return DoctorRun{status, out.str(), err.str()};
}

// Runs of blanks and line ends as one space: the report wraps its lines.
std::string flat(const std::string& text) {
    std::string out;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\n';
        if (!blank || out.empty() || out.back() != ' ') out += blank ? ' ' : c;
    }
    return out;
}

bool contains(const std::string& text, const std::string& part) { return flat(text).find(flat(part)) != std::string::npos; }

std::string withRainDamage(const std::string& text) {
    SettingsLines lines = defaultSettingsLines();
    lines[findLine(lines, "DamageMod_Rain=")] = "DamageMod_Rain=" + text;
    return joinLines(lines);
}

TEST(DoctorCli, ExitStatusSaysWhetherThereIsAnythingToLookAt) {
    ScratchDir scratch;
    struct Case {
        const char* what;
        std::string content;  // empty: no file
        std::vector<std::string> args;
        int status;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {"clean default file", joinLines(defaultSettingsLines()), {}, 0, {"Damage modifier", "No warnings"}},
        {"comma decimal", withRainDamage("0,5"), {}, 1, {"Damage modifier", "write instead: DamageMod_Rain=0.5"}},
        {"given path", withRainDamage("0,5"), {"./Veltrane.ini"}, 1, {"DamageMod_Rain=0.5"}},
        {"caution", withRainDamage("0"), {"-q"}, 1, {"DamageMod_Rain", "no damage"}},
        {"missing file", "", {}, 1, {"--write-defaults \"Veltrane.ini\""}},
        {"help", "", {"--help"}, 0, {"--quiet", "--write-defaults", "Exit status"}},
        {"version", "", {"--version"}, 0, {"."}},
    };
    for (const Case& c : cases) {
        std::filesystem::remove("Veltrane.ini");
        if (!c.content.empty()) writeFile("Veltrane.ini", c.content);
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
TEST(DoctorCli, FolderOfTheFilesNameIsNamedAsSuch) {
    ScratchDir scratch;
    std::filesystem::create_directory("Veltrane.ini");
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"--write-defaults"}, {"--fix"}}) {
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
TEST(DoctorCli, AdviceFitsThePathGiven) {
    ScratchDir scratch;
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
TEST(DoctorCli, PathStartingWithSlashIsAPath) {
    ScratchDir scratch;
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

// The doctor says it wrote only what it reads back, and else why not, with status 2.
TEST(DoctorCli, WriteThatFailsIsReportedAsSuch) {
    ScratchDir scratch;
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

TEST(DoctorCli, QuietPrintsOnlyTheWarnings) {
    ScratchDir scratch;
    writeFile("Veltrane.ini", joinLines(defaultSettingsLines()));
    // The whole report of a default file and the double-click's "Press Enter" line fit a
    // console window of 30 lines.
    const std::string report = doctor({}).out;
    EXPECT_LE(std::count(report.begin(), report.end(), '\n'), 29) << report;
    DoctorRun run = doctor({"--quiet"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");

    writeFile("Veltrane.ini", withRainDamage("0,5"));
    run = doctor({"-q"});
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(contains(run.out, "Damage modifier"));
    EXPECT_FALSE(contains(run.out, "Accuracy_Blizzard"));
    EXPECT_TRUE(contains(run.out, "write instead: DamageMod_Rain=0.5"));
}

TEST(DoctorCli, NeverChangesAnExistingFile) {
    ScratchDir scratch;
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
            doctor(args);
            EXPECT_EQ(readFile("Veltrane.ini"), content);
        }
    }
    EXPECT_EQ(std::filesystem::directory_iterator(".")->path().filename(), "Veltrane.ini");
}

TEST(DoctorCli, WriteDefaultsOnAMissingFileWritesWhatThePluginWrites) {
    ScratchDir scratch;
    std::filesystem::create_directory("plugin");
    SettingsFile plugin;
    plugin.setPath("./plugin/Veltrane.ini");
    plugin.writeDefaults();

    const DoctorRun run = doctor({"--write-defaults"});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(contains(run.out, "Wrote the default settings file"));
    EXPECT_EQ(readFile("Veltrane.ini"), readFile("plugin/Veltrane.ini"));

    const DoctorRun without = doctor({"other.ini"});
    EXPECT_EQ(without.status, 1);
    EXPECT_FALSE(std::filesystem::exists("other.ini"));
}

std::string joinWith(const SettingsLines& lines, const std::string& ending) {
    std::string text;
    for (const std::string& line : lines) text += line + ending;
    return text;
}

SettingsLines replaced(SettingsLines lines, const std::string& start, const std::string& by) {
    lines[findLine(lines, start)] = by;
    return lines;
}

SettingsLines removed(SettingsLines lines, const std::string& start, std::size_t count = 1) {
    const auto at = lines.begin() + static_cast<std::ptrdiff_t>(findLine(lines, start));
    lines.erase(at, at + static_cast<std::ptrdiff_t>(count));
    return lines;
}

// --fix changes the faulty lines and nothing else: endings, comments, blank lines and order
// stay; a missing key goes to the end of its section, a missing section to the end. The fixed
// file then reads without a warning, and the original is in the backup.
TEST(DoctorCli, FixChangesOnlyTheFaultyLines) {
    ScratchDir scratch;
    SettingsLines player = defaultSettingsLines();
    player.insert(player.begin(), {"; my settings", ""});
    player.insert(player.begin() + static_cast<std::ptrdiff_t>(findLine(player, "[WeatherType_Drizzle]")), "");
    player.insert(player.begin() + static_cast<std::ptrdiff_t>(findLine(player, "[WeatherType_Rain]")),
                  {"", "; rain: half damage"});
    const SettingsLines broken = replaced(replaced(player, "DamageMod_Rain=", "DamageMod_Rain=0,5"), "Enabled=", "Enabled=on");
    const SettingsLines fixed = replaced(replaced(player, "DamageMod_Rain=", "DamageMod_Rain=0.5"), "Enabled=", "Enabled=1");
    // The blizzard's keys, then its blank line; the sunny section is last.
    const SettingsLines noKey = removed(player, "DamageMod_Blizzard=");
    const SettingsLines noSection = removed(player, "[WeatherType_Sunny]", 3);

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
        const DoctorRun run = doctor({"--fix"});
        EXPECT_EQ(run.status, 0) << c.what << "\n" << run.out << run.err;
        EXPECT_EQ(readFile("Veltrane.ini"), c.expected) << c.what << "\n" << run.out;
        EXPECT_EQ(readFile("Veltrane.ini.bak"), c.original) << c.what;
        EXPECT_TRUE(contains(run.out, "No warnings")) << c.what << "\n" << run.out;
    }
}

TEST(DoctorCli, FixRefusesWhatItCannotDoSafely) {
    ScratchDir scratch;
    std::string utf16 = "\xFF\xFE";
    for (char c : withRainDamage("0,5")) utf16 += std::string{c, '\0'};
    struct Case {
        const char* what;
        std::string content;
        bool backupExists;
        const char* says;
    };
    const Case cases[] = {
        {"UTF-16", utf16, false, "UTF-16"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove("Veltrane.ini.bak");
        if (c.backupExists) writeFile("Veltrane.ini.bak", "mine");
        writeFile("Veltrane.ini", c.content);
        const DoctorRun run = doctor({"--fix"});
        EXPECT_EQ(run.status, 2) << c.what;
        EXPECT_TRUE(contains(run.err, c.says)) << c.what << "\n" << run.err;
        EXPECT_EQ(readFile("Veltrane.ini"), c.content) << c.what;
        EXPECT_EQ(std::filesystem::exists("Veltrane.ini.bak"), c.backupExists) << c.what;
    }

    // "[Settings" opens the section on Windows only: a second [Settings] added for Wine would
    // be a duplicate there. The player closes the bracket.
    std::filesystem::remove("Veltrane.ini.bak");
    const std::string unclosed = joinLines(replaced(defaultSettingsLines(), "[Settings]", "[Settings"));
    writeFile("Veltrane.ini", unclosed);
    const DoctorRun run = doctor({"--fix"});
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_EQ(readFile("Veltrane.ini"), unclosed);
    EXPECT_TRUE(contains(run.out, "close the bracket")) << run.out;
}

// Started by double-click, the doctor asks before it writes; only "y" is yes.
TEST(DoctorCli, AsksBeforeChangingAnything) {
    ScratchDir scratch;
    struct Case {
        const char* what;
        std::string content;  // empty: no file
        const char* answer;
        const char* question;
        bool changes;
    };
    const Case cases[] = {
        {"fix, yes", withRainDamage("0,5"), "y\n", "Fix this line now? The original is kept as Veltrane.ini.bak. [y/N]", true},
        {"fix, enter", withRainDamage("0,5"), "\n", "Fix this line", false},
        {"fix, no input", withRainDamage("0,5"), "", "Fix this line", false},
        {"write, yes", "", "Y\n", "Write the default settings file now? [y/N]", true},
        {"write, no", "", "n\n", "Write the default settings file now?", false},
    };
    for (const Case& c : cases) {
        std::filesystem::remove("Veltrane.ini");
        std::filesystem::remove("Veltrane.ini.bak");
        if (!c.content.empty()) writeFile("Veltrane.ini", c.content);
        std::istringstream answers(c.answer);
        std::ostringstream out, err;
        const char* argv[] = {"veltrane-doctor"};
        runDoctor(1, argv, out, err, &answers);
        EXPECT_TRUE(contains(out.str(), c.question)) << c.what << "\n" << out.str();
        const std::string now = std::filesystem::exists("Veltrane.ini") ? readFile("Veltrane.ini") : "";
        EXPECT_EQ(now != c.content, c.changes) << c.what << "\n" << out.str() << err.str();
    }
}

}  // namespace
