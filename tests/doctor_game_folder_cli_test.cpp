// The command line's game folders: a run from a folder without the game, --install and
// --uninstall; what is said, the exit status, and that nothing is written where the game is not.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "doctor/cli/doctor_cli.h"
#include "doctor/cli/settings_doctor.h"
#include "doctor/folder/game_folder_check.h"
#include "doctor/os/os.h"
#include "tests/support/doctor_run.h"

namespace {

// Run without a path from a folder without the game, where no launcher's records name one
// (Downloads, the desktop): the first line says so and what to do; no script hook is advised
// into it, and nothing is written or offered there, whatever is asked.
TEST_F(DoctorCli, FolderWithoutTheGameIsSaidFirstAndLeftAsItIs) {
    const std::string here = absoluteFolder("");
    struct Case {
        const char* what;
        std::string content;  // the current folder's Veltrane.ini; empty: none
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
        putSettingsFile(c.content);
        const DoctorRun run = doctor(c.args, c.answers);
        const std::string said = flat(run.out + run.err);
        EXPECT_EQ(run.status, c.status) << c.what << "\n" << said;
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
TEST_F(DoctorCli, InstallAndAFolderWithoutTheGame) {
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
        {"uninstall from a folder that does not exist", {"--uninstall", "nowhere"}, 2, "nowhere does not exist"},
        // cmd's "game\" arrives as game": the backslash escapes the closing quote.
        {"uninstall with the closing quote escaped", {"--uninstall", "game\""}, 0, "game: nothing to remove"},
        {"install with the closing quote escaped", {"--install", "package\""}, 2, "package holds no RDR2.exe"},
        {"--game with the closing quote escaped", {"--game", "game\""}, 1, "settings file game/Veltrane.ini in"},
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

// Double-clicked with no game in the launchers' records: the game folder is asked for, pasted,
// dragged in from Explorer (quoted, with a closing separator) or as RDR2.exe's path; after three
// answers that hold no game, each told as no such folder or a folder without the game, the
// doctor says how to name it.
TEST_F(DoctorCli, DoubleClickedWithoutRecordsAsksForTheGameFolder) {
    std::filesystem::create_directories("game");
    writeFile("game/RDR2.exe", "MZ");
    const std::string game = absoluteFolder("game");
    struct Case {
        const char* what;
        std::string typed;
        std::vector<std::string> said, unsaid;
    };
    const std::string found = "The game is in " + game + " (the folder you gave): checked below.";
    const Case cases[] = {
        {"pasted", game + "\n", {found, "Game folder " + game}, {"That folder holds no", "There is no folder"}},
        {"dragged in, quoted", "\"" + game + "/\"\n", {found}, {"That folder holds no", "There is no folder"}},
        {"RDR2.exe's path", " " + game + "/RDR2.exe\n", {found}, {}},
        {"no such folder, then right", "nowhere\n" + game + "\n",
         {"There is no folder nowhere. The game folder:", found}, {"That folder holds no"}},
        {"a folder without the game, then right", "game/..\n" + game + "\n",
         {"That folder holds no RDR2.exe. The game folder:", found}, {"There is no folder"}},
        {"wrong three times", "nowhere\ny\n" + game + "/x\n" + game + "\n",
         {"There is no folder y. The game folder:", "name it with --game DIR"}, {found}},
        {"Enter", "\n" + game + "\n", {"name it with --game DIR"}, {found, "That folder holds no", "There is no folder"}},
    };
    for (const Case& c : cases) {
        const DoctorRun run = doctor({}, c.typed.c_str());
        const std::string said = flat(run.out + run.err);
        EXPECT_TRUE(contains(said, "Where is the game? Paste or drag in its folder (or RDR2.exe), then press Enter:"))
            << c.what << "\n" << said;
        for (const std::string& part : c.said) EXPECT_TRUE(contains(said, part)) << c.what << ": " << part;
        for (const std::string& part : c.unsaid) EXPECT_FALSE(contains(said, part)) << c.what << ": " << part;
    }
}

// The y/N question at the console: each form of an answer, and what is printed after it.
TEST(DoctorAsk, ReadsEachFormOfTheAnswer) {
    struct Case {
        const char* typed;
        bool yes;
        const char* printed;  // after the question
    };
    const Case cases[] = {
        {"y\n", true, ""}, {"Y\n", true, ""}, {"yes\n", true, ""}, {" YeS \r\n", true, ""}, {"\ty\n", true, ""},
        {"n\n", false, ""}, {"No\n", false, ""}, {"\n", false, ""}, {"", false, "\n"},
        {"maybe\ny\n", true, "Please answer y or n: "}, {"ja\nn\n", false, "Please answer y or n: "},
        {"maybe\nja\ny\n", false, "Please answer y or n: Taken as no.\n"}, {"maybe\n",
         false, "Please answer y or n: \n"},
        {"yy\nyes\n", true, "Please answer y or n: "},
    };
    for (const Case& c : cases) {
        std::istringstream answers(c.typed);
        std::ostringstream out;
        EXPECT_EQ(ask(answers, out, "Go?"), c.yes) << c.typed;
        EXPECT_EQ(out.str(), std::string("Go? [y/N] ") + c.printed) << c.typed;
    }
}

}  // namespace
