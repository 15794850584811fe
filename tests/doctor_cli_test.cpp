// The doctor's command line: exit statuses, what --quiet leaves out, and that the settings file
// is never written except by --write-defaults on a missing file.

#include <gtest/gtest.h>

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
        {"clean default file", joinLines(defaultSettingsLines()), {}, 0, {"Text stored", "No warnings"}},
        {"comma decimal", withRainDamage("0,5"), {}, 1, {"Text stored", "write instead: DamageMod_Rain=0.5"}},
        {"given path", withRainDamage("0,5"), {"./Veltrane.ini"}, 1, {"DamageMod_Rain=0.5"}},
        {"missing file", "", {}, 1, {"--write-defaults"}},
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

    std::filesystem::remove("Veltrane.ini");
    std::filesystem::create_directory("Veltrane.ini");
    EXPECT_EQ(doctor({}).status, 2);
    EXPECT_EQ(doctor({"--no-such-option"}).status, 2);
    EXPECT_EQ(doctor({"a.ini", "b.ini"}).status, 2);
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
    EXPECT_FALSE(contains(run.out, "Text stored"));
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
             {std::vector<std::string>{}, {"--quiet"}, {"--write-defaults"}, {"--write-defaults", "--quiet"}}) {
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
