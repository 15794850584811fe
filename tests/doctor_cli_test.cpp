// The doctor's command line: exit statuses, what --quiet leaves out, that the settings file is
// never written except by --write-defaults on a missing file or by --fix, and that neither
// claims a change it did not make.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "doctor/doctor_cli.h"
#include "doctor/game_folder_check.h"
#include "doctor/game_probe.h"
#include "doctor/host_system.h"
#include "doctor/settings_check.h"
#include "doctor/settings_fix.h"
#include "doctor/value_check.h"
#include "settings/ini_reader.h"
#include "settings/settings_file.h"
#include "settings/weather_table.h"
#include "tests/support/flat_text.h"
#include "tests/support/random_settings.h"
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
        {"clean default file", joinLines(defaultSettingsLines()), {"Veltrane.ini"}, 0, {"Damage modifier", "No warnings"}},
        {"comma decimal", withRainDamage("0,5"), {"Veltrane.ini"}, 1, {"Damage modifier", "write instead: DamageMod_Rain=0.5"}},
        {"given path", withRainDamage("0,5"), {"./Veltrane.ini"}, 1, {"DamageMod_Rain=0.5"}},
        {"caution", withRainDamage("0"), {"-q", "Veltrane.ini"}, 1, {"DamageMod_Rain", "no damage"}},
        {"missing file", "", {"Veltrane.ini"}, 1, {"--write-defaults \"Veltrane.ini\""}},
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

// A default file written under another name is written, and said to be: that the plugin never
// reads it is a warning, not a failed write.
TEST(DoctorCli, WriteDefaultsUnderAnotherNameSaysWhatItDid) {
    ScratchDir scratch;
    const DoctorRun run = doctor({"--write-defaults", "./settings-copy.ini"});
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_TRUE(contains(run.out, "Wrote the default settings file")) << run.out;
    EXPECT_TRUE(contains(run.out, "never reads this file")) << run.out;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(readFile("settings-copy.ini"), joinLines(defaultSettingsLines()));
}

// Under Wine (the Windows build's tests run there, with a Wine prefix) the report says so, and
// that it shows what Windows reads; natively and on Windows it says nothing of the kind.
TEST(DoctorCli, SaysWhenItRunsUnderWine) {
    ScratchDir scratch;
    writeFile("Veltrane.ini", joinLines(defaultSettingsLines()));
#ifdef _WIN32
    // The Windows build's tests run under Wine, with the prefix set.
    if (std::getenv("WINEPREFIX") != nullptr) {
        EXPECT_FALSE(wineVersion().empty());
    }
#else
    EXPECT_TRUE(wineVersion().empty());
#endif
    const DoctorRun run = doctor({"Veltrane.ini"});
    EXPECT_EQ(contains(run.out, "on Wine " + wineVersion() + " (or Proton), shown as Windows reads it"),
              !wineVersion().empty())
        << run.out;
    // Where Wine reads the file otherwise, what the plugin reads here.
    writeFile("Veltrane.ini", "\xEF\xBB\xBF" + joinLines(defaultSettingsLines()));
    const DoctorRun marked = doctor({"Veltrane.ini"});
    EXPECT_TRUE(contains(marked.out, "Enabled is missing")) << marked.out;
    EXPECT_EQ(contains(marked.out, "Here on Wine the plugin reads Enabled=1"), !wineVersion().empty()) << marked.out;
}

TEST(DoctorCli, QuietPrintsOnlyTheWarnings) {
    ScratchDir scratch;
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
            std::vector<std::string> named = args;
            named.push_back("Veltrane.ini");
            doctor(named);
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

    const DoctorRun run = doctor({"--write-defaults", "Veltrane.ini"});
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
        const DoctorRun run = doctor({"--fix", "Veltrane.ini"});
        EXPECT_EQ(run.status, 2) << c.what;
        EXPECT_TRUE(contains(run.err, c.says)) << c.what << "\n" << run.err;
        EXPECT_EQ(readFile("Veltrane.ini"), c.content) << c.what;
        EXPECT_EQ(std::filesystem::exists("Veltrane.ini.bak"), c.backupExists) << c.what;
    }
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
        const char* argv[] = {"veltrane-doctor", "Veltrane.ini"};
        runDoctor(2, argv, out, err, &answers);
        EXPECT_TRUE(contains(out.str(), c.question)) << c.what << "\n" << out.str();
        const std::string now = std::filesystem::exists("Veltrane.ini") ? readFile("Veltrane.ini") : "";
        EXPECT_EQ(now != c.content, c.changes) << c.what << "\n" << out.str() << err.str();
    }
}

}  // namespace

namespace {

std::size_t lineCount(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

// The values the plugin reads from the file, through the plugin's own reader (the profile
// functions: the stand-in natively, kernel32 under Wine), shown as the doctor shows them.
std::string pluginReads(const std::string& path, const std::string& key) {
    const IniReader reader{"./" + path};
    if (key == kEnabledKey) {
        const bool on = reader.readBool(kSettingsSection, kEnabledKey, false);
        return key + "=" + std::to_string(reader.readInt(kSettingsSection, kEnabledKey, 0)) + (on ? ": on" : ": off");
    }
    for (const WeatherEntry& weather : weatherTable) {
        if (key == weather.accuracyKey) return key + "=" + std::to_string(reader.readInt(weather.section, weather.accuracyKey, 0));
        if (key == weather.damageModKey)
            return key + "=" + floatText(reader.readFloat(weather.section, weather.damageModKey, 0.0f));
    }
    return "no " + key;
}

// The lines of a suggestion: "[WeatherType_Rain]\nAccuracy_Rain=35" is two.
std::vector<std::string> suggestedLines(const std::string& writeInstead) {
    std::vector<std::string> lines;
    std::istringstream in(writeInstead);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Every suggestion --fix is said to write is in the fixed file (or was rewritten by a later
// one), and every warning that says what --fix will do is one --fix does.
void expectPromisesKept(const SettingsCheck& before, const std::string& fixedFile, const std::string& what) {
    for (const Warning& warning : allWarnings(before)) {
        const bool promises = warning.explanation.find("--fix ") != std::string::npos &&
                              warning.explanation.find("--fix leaves") == std::string::npos;
        if (promises) {
            EXPECT_NE(fixOf(warning), Fix::None) << what << ": " << warning.explanation;
        }
        if (fixOf(warning) == Fix::None || fixOf(warning) == Fix::RemoveByteOrderMark) continue;
        for (const std::string& line : suggestedLines(warning.writeInstead)) {
            const std::string key = line.substr(0, line.find('=') + 1);
            const bool there = fixedFile.find(line + "\r\n") != std::string::npos;
            const bool rewritten = line.find('=') != std::string::npos && fixedFile.find("\n" + key) != std::string::npos;
            EXPECT_TRUE(there || rewritten) << what << ": " << line << " promised, not written\n" << fixedFile;
        }
    }
}

SettingsLines onlyWeathers(const std::vector<std::string>& kept, bool withSwitch) {
    SettingsLines lines = withSwitch ? SettingsLines{"[Settings]", "Enabled=1"} : SettingsLines{};
    for (const WeatherEntry& weather : weatherTable) {
        if (std::find(kept.begin(), kept.end(), weather.name) == kept.end()) continue;
        lines.push_back(std::string("[") + weather.section + "]");
        lines.push_back(std::string(weather.accuracyKey) + "=50");
        lines.push_back(std::string(weather.damageModKey) + "=2");
    }
    return lines;
}

}  // namespace

// Files as players write them. For each: the first finding, a report that fits the screen,
// and after one --fix what the plugin reads, compared with what the player meant; a second
// --fix then has nothing to write.
TEST(DoctorCli, PlayerFilesAreFixedToWhatThePlayerMeant) {
    ScratchDir scratch;
    const SettingsLines defaults = defaultSettingsLines();
    SettingsLines rainSection = replaced(replaced(replaced(defaults, "[WeatherType_Rain]", "[Rain]"), "Accuracy_Rain=",
                                                  "Accuracy_Rain=35"),
                                         "DamageMod_Rain=", "DamageMod_Rain=0.5");
    SettingsLines underSnow = removed(defaults, "Accuracy_Rain=");
    underSnow.insert(underSnow.begin() + static_cast<std::ptrdiff_t>(findLine(underSnow, "DamageMod_Snow=")),
                     "Accuracy_Rain=25");
    SettingsLines repeated = defaults;
    for (int i = 0; i < 200; ++i) repeated.insert(repeated.end(), {"[WeatherType_Rain]", "DamageMod_Rain=0,5"});
    struct Case {
        const char* what;
        std::string name;
        SettingsLines lines;
        const char* first;                   // in the lines before the table
        std::vector<std::string> meant;      // as the plugin reads them after --fix
        const char* offered;                 // what the report offers (a choice, a line), or none
    };
    const std::vector<std::string> three = {"Rain", "Snow", "Sunny"};
    const std::string othersUndamaged = "no damage in " + std::to_string(weatherTable.size() - three.size()) + " weathers";
    const Case cases[] = {
        {"hidden .txt", "Veltrane.ini.txt", defaults, "The plugin never reads this file", {}, nullptr},
        {"percent", "Veltrane.ini", replaced(defaults, "DamageMod_Rain=", "DamageMod_Rain=150%"), nullptr,
         {"DamageMod_Rain=1.5"}, nullptr},
        // Alike in kind, not in meaning: the damage modifier's own line must show.
        {"percent in both keys", "Veltrane.ini",
         replaced(replaced(defaults, "DamageMod_Rain=", "DamageMod_Rain=150%"), "Accuracy_Rain=", "Accuracy_Rain=35%"),
         nullptr, {"DamageMod_Rain=1.5", "Accuracy_Rain=35"}, "write instead: DamageMod_Rain=1.5"},
        {"percent, lower", "Veltrane.ini", replaced(defaults, "DamageMod_Rain=", "DamageMod_Rain=80%"), nullptr,
         {"DamageMod_Rain=0.8"}, nullptr},
        {"fraction in an accuracy", "Veltrane.ini", replaced(defaults, "Accuracy_Fog=", "Accuracy_Fog=0.35"), nullptr,
         {"Accuracy_Fog=0"}, "Accuracy_Fog=35 (0.35 of 100)"},
        {"thousands separator", "Veltrane.ini", replaced(defaults, "Accuracy_Rain=", "Accuracy_Rain=12,829"), nullptr,
         {"Accuracy_Rain=12829"}, nullptr},
        {"[Rain]", "Veltrane.ini", rainSection, "no damage in 1 weather: Rain", {"Accuracy_Rain=35", "DamageMod_Rain=0.5"},
         nullptr},
        {"Accuracy= in the weather's section", "Veltrane.ini", replaced(defaults, "Accuracy_Rain=", "Accuracy=35"), nullptr,
         {"Accuracy_Rain=35"}, nullptr},
        {"colon", "Veltrane.ini", replaced(defaults, "Accuracy_Rain=", "Accuracy_Rain: 35"), nullptr,
         {"Accuracy_Rain=35"}, nullptr},
        {"under another weather", "Veltrane.ini", underSnow, nullptr, {"Accuracy_Rain=25", "Accuracy_Snow=12829"}, nullptr},
        {"damaged key", "Veltrane.ini", replaced(defaults, "DamageMod_Rain=", "DamageMod_Ra"), "no damage in 1 weather: Rain",
         {"DamageMod_Rain=1"}, nullptr},
        {"damaged key under another weather", "Veltrane.ini",
         replaced(defaults, "Accuracy_OvercastDark=", "Accuracy_O=vercastDark=12829"), nullptr,
         {"Accuracy_Fog=12829", "Accuracy_OvercastDark=12829"}, nullptr},
        {"three weathers", "Veltrane.ini", onlyWeathers(three, true), othersUndamaged.c_str(),
         {"Accuracy_Rain=50", "DamageMod_Snow=2", "DamageMod_Fog=1", "Accuracy_Fog=12829"}, nullptr},
        {"three weathers, no switch", "Veltrane.ini", onlyWeathers(three, false), "The switch is off",
         {"Enabled=1: on", "DamageMod_Sunny=2", "DamageMod_Hail=1"}, nullptr},
        {"200 repeated sections", "Veltrane.ini", repeated, nullptr, {"DamageMod_Rain=1"}, nullptr},
        {"another program's", "Veltrane.ini", {"[Window]", "Width=800", "Height=600"}, nullptr, {}, nullptr},
    };
    for (const Case& c : cases) {
        for (const auto& entry : std::filesystem::directory_iterator(".")) std::filesystem::remove(entry.path());
        writeFile(c.name, joinLines(c.lines));
        const DoctorRun run = doctor({c.name});
        EXPECT_EQ(run.status, 1) << c.what;
        EXPECT_LE(lineCount(run.out), 29u) << c.what << "\n" << run.out;
        EXPECT_LE(lineCount(doctor({c.name, "--quiet"}).out), 12u) << c.what;
        if (c.first) {
            const std::string before = run.out.substr(0, run.out.find("Switch:"));
            EXPECT_TRUE(contains(before, c.first)) << c.what << "\n" << run.out;
        }
        if (c.offered) {
            EXPECT_TRUE(contains(run.out, c.offered)) << c.what << "\n" << run.out;
        }
        if (c.meant.empty()) continue;

        const DoctorRun fixed = doctor({c.name, "--fix"});
        EXPECT_NE(fixed.status, 2) << c.what << "\n" << fixed.out << fixed.err;
        for (const std::string& meant : c.meant)
            EXPECT_EQ(pluginReads(c.name, meant.substr(0, meant.find('='))), meant) << c.what << "\n" << fixed.out;
        const DoctorRun again = doctor({c.name, "--fix"});
        EXPECT_TRUE(contains(again.out, "Nothing for --fix to write")) << c.what << "\n" << again.out;
    }
}

// Mistakes players made that earlier rounds of the doctor got wrong, one row each: what the
// report must say (or must not), what the plugin reads after one --fix, whether a choice is
// left standing (a warning, exit 1), and what the fixed file must hold or lack: no default
// beside a value of the player's, no value of theirs dropped.
TEST(DoctorCli, FixKeepsEveryValueOfThePlayersAndAppliesOnlyWhatIsCertain) {
    ScratchDir scratch;
    const SettingsLines defaults = defaultSettingsLines();
    SettingsLines misspelt = replaced(replaced(replaced(defaults, "[WeatherType_Thunderstorm]", "[WeatherType_Thunderstrom]"),
                                               "Accuracy_Thunderstorm=", "Accuracy_Thunderstrom=10"),
                                      "DamageMod_Thunderstorm=", "DamageMod_Thunderstrom=0.5");
    SettingsLines storm = replaced(replaced(replaced(defaults, "[WeatherType_Thunderstorm]", "[WeatherType_Storm]"),
                                            "Accuracy_Thunderstorm=", "Accuracy_Storm=20"),
                                   "DamageMod_Thunderstorm=", "DamageMod_Storm=0.5");
    SettingsLines extraClear = defaults;
    extraClear.insert(extraClear.end(), {"[WeatherType_Clear]", "Accuracy_Clear=50", "DamageMod_Clear=0.5"});
    SettingsLines worstFirst = replaced(replaced(replaced(replaced(defaults, "Enabled=", "Enabled=true"),
                                                          "Accuracy_Rain=", "Accuracy_Rain=50abc"),
                                                 "DamageMod_Snow=", "DamageMod_Snow=0,5"),
                                        "[WeatherType_Thunderstorm]", "[WeatherType_Thunderstrom]");
    struct Case {
        const char* what;
        std::string content;
        std::vector<std::string> args;  // for the report before the fix
        const char* reportHas;
        const char* reportLacks;
        std::vector<std::string> meant;  // as the plugin reads them after --fix
        bool choiceLeft;                 // a warning stands after --fix
        const char* fileHas;
        const char* fileLacks;
    };
    const Case cases[] = {
        {"1e3 is a thousand", joinLines(replaced(defaults, "Accuracy_Rain=", "Accuracy_Rain=1e3")), {},
         "Accuracy_Rain=1000", "write instead: Accuracy_Rain=1", {"Accuracy_Rain=1"}, true, "Accuracy_Rain=1e3\r", nullptr},
        {"1/2 is a half", joinLines(replaced(defaults, "DamageMod_Rain=", "DamageMod_Rain=1/2")), {}, nullptr, nullptr,
         {"DamageMod_Rain=0.5"}, false, nullptr, nullptr},
        {"50 percent is a half", joinLines(replaced(defaults, "DamageMod_Rain=", "DamageMod_Rain=50 percent")),
         {"--quiet"}, "DamageMod_Rain=0.5", nullptr, {"DamageMod_Rain=0.5"}, false, nullptr, nullptr},
        {"full-width digits",
         joinLines(replaced(defaults, "Accuracy_Rain=", "Accuracy_Rain=\xEF\xBC\x93\xEF\xBC\x95")), {}, "full-width",
         "typographic", {"Accuracy_Rain=35"}, false, nullptr, nullptr},
        {"two keys on one line",
         joinLines(removed(replaced(defaults, "Accuracy_Rain=", "Accuracy_Rain=35 DamageMod_Rain=0.5"), "DamageMod_Rain=")),
         {}, nullptr, nullptr, {"Accuracy_Rain=35", "DamageMod_Rain=0.5"}, false, nullptr, "DamageMod_Rain=1\r"},
        {"header and key on one line",
         joinLines(removed(replaced(defaults, "[WeatherType_Rain]", "[WeatherType_Rain] Accuracy_Rain=35"), "Accuracy_Rain=")),
         {}, "Accuracy_Rain=35", nullptr, {"Accuracy_Rain=35"}, false, nullptr, "Accuracy_Rain=12829"},
        {"a whole section misspelt", joinLines(misspelt), {}, nullptr, nullptr,
         {"Accuracy_Thunderstorm=10", "DamageMod_Thunderstorm=0.5"}, false, nullptr, "Thunderstorm=12829"},
        {"another weather's key", joinLines(replaced(defaults, "Accuracy_Thunderstorm=", "Accuracy_Thunder=20")), {},
         "Accuracy_Thunderstorm=20", nullptr, {"Accuracy_Thunder=12829"}, true, "Accuracy_Thunder=20\r",
         "Accuracy_Thunderstorm=12829"},
        {"a renamed section holding the plugin's keys",
         joinLines(replaced(replaced(defaults, "[WeatherType_Thunderstorm]", "[WeatherType_Storm]"),
                            "Accuracy_Thunderstorm=", "Accuracy_Thunderstorm=20")),
         {}, "WeatherType_Storm", nullptr, {"Accuracy_Thunderstorm=20", "DamageMod_Thunderstorm=1"}, false, nullptr,
         "[WeatherType_Storm]"},
        {"a renamed section with its own keys", joinLines(storm), {}, "WeatherType_Storm", nullptr, {}, true,
         "DamageMod_Storm=0.5", "Thunderstorm=12829"},
        {"a section the plugin never reads", joinLines(extraClear), {}, "Thunderstorm", nullptr, {}, true,
         "Accuracy_Clear=50", nullptr},
        {"a header without its ]", joinLines(replaced(defaults, "[Settings]", "[Settings")), {}, "--fix closes", nullptr,
         {"Enabled=1: on"}, false, "[Settings]\r", nullptr},
        {"worst first", joinLines(worstFirst), {"--quiet"}, "WeatherType_Thunderstrom", nullptr, {}, false, nullptr,
         nullptr},
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF" + joinLines(defaults), {}, "switch is off", "Enabled is 1: on",
         {"Enabled=1: on"}, false, nullptr, "\xEF\xBB\xBF"},
    };
    for (const Case& c : cases) {
        for (const auto& entry : std::filesystem::directory_iterator(".")) std::filesystem::remove(entry.path());
        writeFile("Veltrane.ini", c.content);
        std::vector<std::string> args = c.args;
        args.push_back("Veltrane.ini");
        const DoctorRun run = doctor(args);
        EXPECT_EQ(run.status, 1) << c.what;
        if (c.reportHas) {
            EXPECT_TRUE(contains(run.out, c.reportHas)) << c.what << "\n" << run.out;
        }
        if (c.reportLacks) {
            EXPECT_FALSE(contains(run.out, c.reportLacks)) << c.what << "\n" << run.out;
        }

        const SettingsCheck before = checkSettingsFile("Veltrane.ini");
        const DoctorRun fixed = doctor({"--fix", "Veltrane.ini"});
        const std::string after = readFile("Veltrane.ini");
        EXPECT_EQ(fixed.status, c.choiceLeft ? 1 : 0) << c.what << "\n" << fixed.out << fixed.err;
        for (const std::string& meant : c.meant)
            EXPECT_EQ(pluginReads("Veltrane.ini", meant.substr(0, meant.find('='))), meant) << c.what << "\n" << after;
        if (c.fileHas) {
            EXPECT_NE(after.find(c.fileHas), std::string::npos) << c.what << "\n" << after;
        }
        if (c.fileLacks) {
            EXPECT_EQ(after.find(c.fileLacks), std::string::npos) << c.what << "\n" << after;
        }
        expectPromisesKept(before, after, c.what);
    }
}

// A damage modifier that reads as 150 times the damage is as harmful as none: in the few lines
// of --quiet it comes before warnings that change nothing in play.
TEST(DoctorCli, QuietShowsAHugeDamageModifierFirst) {
    ScratchDir scratch;
    writeFile("Veltrane.ini", joinLines({"[Settings]", "Enabled=1", "[WeatherType_Rain]", "Accuracy_Rain=35%",
                                         "DamageMod_Rain=150%", "[WeatherType_Sunny]", "Accuracy_Sunny=50",
                                         "DamageMod_Sunny=1"}));
    const DoctorRun run = doctor({"--quiet", "Veltrane.ini"});
    EXPECT_TRUE(contains(run.out, "write instead: DamageMod_Rain=1.5")) << run.out;
}

// A near name beside a missing settings file is named, with how to rename it; the report says
// which folder it looked in.
TEST(DoctorCli, MissingFileNamesTheNearNamesBesideIt) {
    ScratchDir scratch;
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

// A backup is never overwritten and never blocks a later fix: each --fix keeps its own.
TEST(DoctorCli, EveryFixKeepsItsOwnBackup) {
    ScratchDir scratch;
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

// Over random player files with the mistakes players make, each weather labelled with what
// the player meant: after one --fix the plugin's own reader gives every value whose fix is
// certain, a weather whose mistake is a choice keeps a warning, and a second --fix has
// nothing to write. The share of files fixed whole is printed, for the record.
TEST(DoctorCli, FixGivesThePlayersMeaningInOneRun) {
    ScratchDir scratch;
    constexpr std::uint32_t kFiles = 60;
    std::size_t fixedWhole = 0, choicesLeft = 0, weathersChosen = 0;
    for (std::uint32_t seed = 1; seed <= kFiles; ++seed) {
        std::mt19937 rng(seed);
        PlayerFile player = playerFile(rng);
        for (const auto& entry : std::filesystem::directory_iterator(".")) std::filesystem::remove(entry.path());
        writeFile("Veltrane.ini", player.text);
        const SettingsCheck before = checkSettingsFile("Veltrane.ini");
        const DoctorRun fixed = doctor({"--fix", "Veltrane.ini"});
        const std::string what = "seed " + std::to_string(seed) + "\n" + player.text + "\n" + fixed.out + fixed.err;
        const SettingsCheck check = checkSettingsFile("Veltrane.ini");
        const bool choice = player.extraSection ||
                            std::any_of(player.weathers.begin(), player.weathers.end(),
                                        [](const MeantWeather& w) { return w.choice; });
        EXPECT_EQ(fixed.status, choice ? 1 : 0) << what;
        for (std::size_t i = 0; i < weatherTable.size(); ++i) {
            const WeatherEntry& weather = weatherTable[i];
            const MeantWeather& meant = player.weathers[i];
            if (meant.choice) {
                ++weathersChosen;
                EXPECT_TRUE(std::any_of(check.warnings.begin(), check.warnings.end(),
                                        [&](const Warning& w) {
                                            return w.section == weather.section ||
                                                   std::any_of(w.choices.begin(), w.choices.end(), [&](const std::string& c) {
                                                       return c.find(weather.section) != std::string::npos;
                                                   });
                                        }))
                    << weather.name << ": a choice left no warning, " << what;
                continue;
            }
            EXPECT_EQ(pluginReads("Veltrane.ini", weather.accuracyKey), std::string(weather.accuracyKey) + "=" + meant.accuracy)
                << what;
            EXPECT_EQ(pluginReads("Veltrane.ini", weather.damageModKey), std::string(weather.damageModKey) + "=" + meant.damage)
                << what;
        }
        if (!choice) {
            EXPECT_TRUE(check.warnings.empty()) << what;
        }
        expectPromisesKept(before, readFile("Veltrane.ini"), what);
        EXPECT_TRUE(contains(doctor({"--fix", "Veltrane.ini"}).out, "Nothing for --fix to write")) << what;
        (choice ? choicesLeft : fixedWhole) += 1;
        if (::testing::Test::HasFailure()) return;
    }
    std::printf("%zu of %u player files fixed whole in one run, %zu left with choices (%zu of %zu weathers)\n",
                fixedWhole, kFiles, choicesLeft, weathersChosen, kFiles * weatherTable.size());
}

// Windows' "/fix" and "/?" are options, not file names; a clean UTF-16 file has nothing to
// fix; --details lists every warning it counts; no line outgrows an 80-column console.
TEST(DoctorCli, RoughEdges) {
    ScratchDir scratch;
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

namespace {

// Run without a path from a folder without the game, where no launcher's records name one
// (Downloads, the desktop): the first line says so and what to do; no script hook is advised
// into it, and nothing is written or offered there, whatever is asked.
TEST(DoctorCli, FolderWithoutTheGameIsSaidFirstAndLeftAsItIs) {
    ScratchDir scratch;
    const std::string here = absoluteFolder("");
    struct Case {
        const char* what;
        std::string content;  // the Veltrane.ini beside the doctor; empty: none
        std::vector<std::string> args;
        const char* answers;  // double-clicked: the answers; null: from a prompt
        int status;
        std::vector<std::string> said;  // in the output or the errors
    };
    const std::string denied = "Nothing written: the plugin reads the Veltrane.ini of the game folder";
    const Case cases[] = {
        {"nothing here", "", {}, nullptr, 1, {"--game DIR", "start its launcher once"}},
        {"a settings file here is read", withRainDamage("0,5"), {}, nullptr, 1, {"write instead: DamageMod_Rain=0.5"}},
        {"--write-defaults", "", {"--write-defaults"}, nullptr, 2, {denied}},
        {"--fix", withRainDamage("0,5"), {"--fix"}, nullptr, 2, {denied, "--fix --game"}},
        {"double-click, yes to all", "", {}, "y\ny\ny\n", 1, {"--game DIR"}},
        {"double-click beside a settings file, yes to all", withRainDamage("0,5"), {}, "y\ny\ny\n", 1, {}},
    };
    for (const Case& c : cases) {
        std::filesystem::remove("Veltrane.ini");
        if (!c.content.empty()) writeFile("Veltrane.ini", c.content);
        std::vector<const char*> argv{"veltrane-doctor"};
        for (const std::string& arg : c.args) argv.push_back(arg.c_str());
        std::istringstream answers(c.answers ? c.answers : "");
        std::ostringstream out, err;
        const int status = runDoctor(static_cast<int>(argv.size()), argv.data(), out, err, c.answers ? &answers : nullptr);
        const std::string said = flat(out.str() + err.str());
        EXPECT_EQ(status, c.status) << c.what << "\n" << said;
        // Double-clicked, the doctor stands in its own folder.
        const std::string standing = c.answers ? absoluteFolder(programFolder()) : here;
        EXPECT_EQ(said.rfind(standing + " holds no RDR2.exe: it is not the game folder, and the launchers' records name none", 0), 0u)
            << c.what << "\n" << said;
        for (const std::string& part : c.said) EXPECT_TRUE(contains(said, part)) << c.what << ": " << part << "\n" << said;
        for (const char* never : {"ScriptHookRDR2.dll", "into this folder", "[y/N]", "Wrote", "Fixed"})
            EXPECT_FALSE(contains(said, never)) << c.what << ": " << never << "\n" << said;
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(".")) names.push_back(entry.path().filename().u8string());
        EXPECT_EQ(names, c.content.empty() ? std::vector<std::string>{} : std::vector<std::string>{"Veltrane.ini"}) << c.what;
        if (!c.content.empty()) {
            EXPECT_EQ(readFile("Veltrane.ini"), c.content) << c.what;
        }
    }
}

// The command line of --install and --uninstall, and a folder without the game: what is said,
// the exit status, and that nothing is written where the game is not.
TEST(DoctorCli, InstallAndAFolderWithoutTheGame) {
    ScratchDir scratch;
    std::filesystem::create_directories("game");
    writeFile("game/RDR2.exe", "MZ");
    std::filesystem::create_directories("package");
    writeFile("package/Veltrane.asi", "not the plugin");
    struct Case {
        const char* what;
        std::vector<std::string> args;
        int status;
        std::string said;  // in the output or the errors
    };
    const Case cases[] = {
        {"both at once", {"--install", "game", "--uninstall", "game"}, 2, "usage: veltrane-doctor"},
        {"install where the game is not", {"--install", "package"}, 2, "package holds no RDR2.exe: it is not the game folder"},
        {"Windows' spelling", {"/install", "package"}, 2, "holds no RDR2.exe"},
        {"uninstall with nothing there", {"--uninstall", "game"}, 0, "no Veltrane.asi in"},
        {"a package folder is not checked as the game's", {"package/Veltrane.ini"}, 1,
         "package holds no RDR2.exe: it is not the game folder"},
    };
    const auto before = [] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator("."))
            names.push_back(entry.path().generic_string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> files = before();
    for (const Case& c : cases) {
        const DoctorRun run = doctor(c.args);
        EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.out << run.err;
        EXPECT_TRUE(contains(run.out + run.err, c.said)) << c.what << "\n" << run.out << run.err;
        EXPECT_FALSE(contains(run.out, "Write the default")) << c.what;
        EXPECT_EQ(before(), files) << c.what;
    }
}

}  // namespace
