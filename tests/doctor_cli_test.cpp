// The doctor's command line: exit statuses, what --quiet leaves out, that the settings file is
// never written except by --write-defaults on a missing file or by --fix, and that neither
// claims a change it did not make.

#include <gtest/gtest.h>

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

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

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

}  // namespace
