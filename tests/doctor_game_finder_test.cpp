// Finding the game from the launchers' records, and the readers of other programs' files it
// rests on: what each makes of good records, of old and damaged ones, and of bytes that are
// no record at all.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "doctor/readers/epic_manifest.h"
#include "doctor/readers/keyvalues_text.h"
#include "doctor/folder/game_finder.h"
#include "doctor/readers/steam_records.h"
#include "platform/profile_text.h"
#include "tests/support/launcher_files.h"
#include "tests/support/scratch_dir.h"

namespace fs = std::filesystem;

namespace {

TEST(SteamRecords, ReadsEachFormOfTheLibraryListAndRefusesDamagedOnes) {
    struct Case {
        const char* what;
        std::string vdf;
        std::vector<std::string> folders;
        bool refused;
    };
    // Blocks one in another, "libraryfolders" outermost.
    const auto nested = [](int blocks) {
        std::string text = "\"libraryfolders\" {";
        for (int i = 1; i < blocks; ++i) text += " \"a\" {";
        return text + std::string(static_cast<std::size_t>(blocks), '}');
    };
    const Case cases[] = {
        {"current form",
         "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"C:\\\\Program Files (x86)\\\\Steam\"\n"
         "\t\t\"apps\"\n\t\t{\n\t\t\t\"228980\"\t\t\"0\"\n\t\t}\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"D:\\\\SteamLibrary\"\n"
         "\t\t\"label\"\t\t\"\"\n\t}\n}\n",
         {"C:\\Program Files (x86)\\Steam", "D:\\SteamLibrary"}, false},
        {"older form, paths as the numbered values, other keys skipped",
         "\"LibraryFolders\"\r\n{\r\n\t\"TimeNextStatsReport\"\t\t\"1700000000\"\r\n\t\"ContentStatsID\"\t\t\"-4\"\r\n"
         "\t\"1\"\t\t\"E:\\\\Games\\\\Steam\"\r\n}\r\n",
         {"E:\\Games\\Steam"}, false},
        {"byte order mark, comments and escaped quotes",
         "\xEF\xBB\xBF// written by hand\n\"libraryfolders\" { \"1\" { \"path\" \"F:\\\\a \\\"b\\\"\" } }", {"F:\\a \"b\""},
         false},
        {"paths as written: \"/\", a separator after, other letter case, long; an empty one skipped",
         "\"LibraryFolders\" { \"1\" { \"PATH\" \"d:/steamlibrary/\" } \"2\" { \"path\" \"E:\\\\S\\\\\" } "
         "\"3\" { \"path\" \"\" } \"4\" { \"path\" \"F:\\\\" + std::string(300, 'x') + "\" } }",
         {"d:/steamlibrary/", "E:\\S\\", "F:\\" + std::string(300, 'x')}, false},
        {"no libraries", "\"libraryfolders\" { }", {}, false},
        {"block never closed", "\"libraryfolders\" { \"1\" { \"path\" \"D:\\\\x\" }", {}, true},
        {"quotes never closed", "\"libraryfolders\" { \"1\" \"D:\\\\x", {}, true},
        {"line end in quotes", "\"libraryfolders\" { \"1\" \"D:\n\" }", {}, true},
        {"unknown escape", "\"libraryfolders\" { \"1\" \"D:\\x\" }", {}, true},
        {"a word without quotes", "libraryfolders { }", {}, true},
        {"stray closing brace", "\"libraryfolders\" { } }", {}, true},
        {"key without value", "\"libraryfolders\"", {}, true},
        {"blocks nested past the limit", "\"libraryfolders\"" + std::string(40, '{'), {}, true},
        {"blocks nested as deep as the reader follows", nested(kMostNestedBlocks), {}, false},
        {"blocks nested one deeper", nested(kMostNestedBlocks + 1), {}, true},
        {"another file", "\"AppState\" { \"appid\" \"1\" }", {}, true},
        {"binary bytes", std::string("\0\x01\xff\"", 4), {}, true},
    };
    for (const Case& c : cases) {
        const SteamLibraries read = readSteamLibraries(c.vdf);
        EXPECT_EQ(read.folders, c.folders) << c.what;
        EXPECT_EQ(!read.refusal.empty(), c.refused) << c.what << ": " << read.refusal;
    }
}

// A launcher's record that names the game's folder, and the folder read from it.
struct FolderCase {
    std::string record;
    std::string folder;  // empty: refused
};

// `read` finds the folder in each record (its result's member `folder`) or refuses the record,
// never both.
template <typename Read, typename Record>
void expectFolders(const std::vector<FolderCase>& cases, Read read, std::string Record::*folder) {
    for (const FolderCase& c : cases) {
        const Record record = read(c.record);
        const std::string shown = c.record.substr(0, 60);
        EXPECT_EQ(record.*folder, c.folder) << shown;
        EXPECT_EQ(record.refusal.empty(), !c.folder.empty()) << shown << ": " << record.refusal;
    }
}

TEST(SteamRecords, TakesOnlyOneFolderNameAsTheInstallFolder) {
    const auto manifest = [](const std::string& dir) {
        return "\"AppState\"\n{\n\t\"appid\"\t\t\"1174180\"\n\t\"installdir\"\t\t\"" + dir + "\"\n}\n";
    };
    const std::vector<FolderCase> cases = {
        {manifest("Red Dead Redemption 2"), "Red Dead Redemption 2"},
        {manifest(".."), ""},
        {manifest("..\\\\..\\\\Windows"), ""},
        {manifest("a/b"), ""},
        {manifest(""), ""},
        {manifest("red dead redemption 2"), "red dead redemption 2"},
        {manifest("Red Dead Redemption 2\\\\"), "Red Dead Redemption 2"},
        {manifest("Red Dead Redemption 2//"), "Red Dead Redemption 2"},
        {manifest(std::string(300, 'R')), std::string(300, 'R')},
        {manifest("\\\\"), ""},
        {manifest("..\\\\"), ""},
        {manifest(std::string("RDR2\0..", 7)), ""},
        {"\"AppState\" { \"installdir\" { } }", ""},
        {"\"AppState\" { \"name\" \"x\" }", ""},
    };
    expectFolders(cases, readSteamAppManifest, &SteamAppManifest::installDir);
}

TEST(EpicManifest, ReadsTheInstallAndRefusesWhatIsNone) {
    const std::vector<FolderCase> cases = {
        {R"({"FormatVersion":0,"LaunchExecutable":"RDR2.exe","InstallLocation":"C:\\Games\\RDR2","AppName":"x"})",
         "C:\\Games\\RDR2"},
        // As written: "/", a separator after, other letter case, long; the finder makes them one folder.
        {R"({"LaunchExecutable":"rdr2.EXE","InstallLocation":"c:/games/rdr2/","AppName":"HEATHER"})", "c:/games/rdr2/"},
        {R"({"LaunchExecutable":"RDR2.exe","InstallLocation":"C:\\)" + std::string(300, 'x') + R"("})",
         "C:\\" + std::string(300, 'x')},
        {R"({"LaunchExecutable":"RDR2.exe"})", ""},
        // Another program's record, whole: an empty field is no damage.
        {R"({"LaunchExecutable":"","InstallLocation":"C:\\Games\\Tool"})", "C:\\Games\\Tool"},
        {R"({"LaunchExecutable":"RDR2.exe","InstallLocation":""})", ""},
        {R"({"LaunchExecutable":"RDR2.exe","InstallLocation":7})", ""},
        {R"(["LaunchExecutable","InstallLocation"])", ""},
        {R"({"LaunchExecutable":"RDR2.exe","InstallLocation":"C:\\x")", ""},
        {std::string(100000, '[') + std::string(100000, ']'), ""},
        {"", ""},
    };
    expectFolders(cases, readEpicManifest, &EpicManifest::installLocation);
}

using launcher_files::write;
using launcher_files::quotedPath;

// Records of each launcher, laid out in a scratch folder, and the game folders they lead to.
TEST(GameFinder, FollowsEachLaunchersRecordsToEveryFolderHoldingTheGame) {
    ScratchDir scratch;
    const fs::path root = fs::current_path();
    const fs::path rockstar = root / "Rockstar" / "RDR2", steam = root / "Steam", library = root / "Library";
    const fs::path steamGame = library / "steamapps" / "common" / "Red Dead Redemption 2", epic = root / "Epic" / "RDR2";
    for (const fs::path& game : {rockstar, steamGame, epic}) write(game / "RDR2.exe", "MZ");
    write(root / "Empty" / "readme.txt", "");
    write(library / "steamapps" / "appmanifest_1174180.acf",
          "\"AppState\" { \"appid\" \"1174180\" \"installdir\" \"Red Dead Redemption 2\" }");
    const std::string libraries = "\"libraryfolders\" { \"0\" { \"path\" \"" + quotedPath(steam) + "\" } \"1\" { \"path\" \"" +
                                  quotedPath(library) + "\" } }";
    write(steam / "steamapps" / "libraryfolders.vdf", libraries);
    const fs::path manifests = root / "Manifests";
    write(manifests / "A1.item", "{\"LaunchExecutable\":\"RDR2.exe\",\"InstallLocation\":\"" + quotedPath(epic) + "\"}");
    write(manifests / "B2.item", "{\"LaunchExecutable\":\"Other.exe\",\"InstallLocation\":\"" + quotedPath(root) + "\"}");
    write(manifests / "C3.txt", "not a manifest");

    struct Case {
        const char* what;
        LauncherRecords records;
        std::vector<std::string> found;  // "folder|launchers"
        std::vector<std::string> noted;  // a part of each note
    };
    const auto rockstarRecord = [](const fs::path& folder) {
        LauncherRecords records;
        records.rockstar = {{"InstallFolder", folder.u8string()}};
        return records;
    };
    LauncherRecords all = rockstarRecord(rockstar);
    all.steamFolder = steam.u8string();
    all.epicManifests = manifests.u8string();
    LauncherRecords twice = rockstarRecord(steamGame);
    twice.rockstar.push_back({"InstallFolderSteam", steamGame.u8string() + "/"});
    twice.steamFolder = steam.u8string();
    // One install recorded in other shapes: "/" for "\\", separators after the names, other letter
    // case (one folder on Windows, none on Linux), an ".ITEM" file; and Steam's "installdir\\".
    const fs::path shapes = root / "Shapes", shapesGame = shapes / "steamapps" / "common" / "RDR2";
    write(shapes / "Manifests" / "D4.ITEM", "{\"LaunchExecutable\":\"rdr2.EXE\",\"InstallLocation\":\"" +
                                                 quotedPath(rockstar.generic_u8string()) + "/\"}");
    write(shapes / "steamapps" / "libraryfolders.vdf",
          "\"libraryfolders\" { \"1\" { \"path\" \"" + quotedPath(shapes.generic_u8string()) + "//\" } }");
    write(shapes / "steamapps" / "appmanifest_1174180.acf", "\"AppState\" { \"installdir\" \"RDR2\\\\\" }");
    write(shapesGame / "RDR2.exe", "MZ");
    LauncherRecords shaped = rockstarRecord(rockstar.generic_u8string() + "/");
    shaped.rockstar.push_back({"InstallFolderEpic", profile_text::lowerAscii(rockstar.u8string())});
    shaped.steamFolder = shapes.u8string() + "/";
    shaped.epicManifests = (shapes / "Manifests").u8string();
    LauncherRecords nowhere = rockstarRecord(root / "Empty");
    nowhere.steamFolder = (root / "NoSteam").u8string();
    nowhere.epicManifests = (root / "NoEpic").u8string();
    const Case cases[] = {
        {"none", LauncherRecords{}, {}, {}},
        {"Rockstar Games Launcher", rockstarRecord(rockstar), {rockstar.u8string() + "|Rockstar Games Launcher"}, {}},
        {"each launcher: every install, in order",
         all,
         {rockstar.u8string() + "|Rockstar Games Launcher", steamGame.u8string() + "|Steam",
          epic.u8string() + "|Epic Games Launcher"},
         {}},
        {"one install recorded thrice",
         twice,
         {steamGame.u8string() + "|Rockstar Games Launcher, Steam"},
         {}},
        {"records that lead nowhere", nowhere, {}, {"InstallFolder names", "holds no RDR2.exe"}},
        {"one install recorded in other shapes",
         shaped,
         {rockstar.u8string() + "|Rockstar Games Launcher, Epic Games Launcher", shapesGame.u8string() + "|Steam"},
         fileNamesIgnoreCase() ? std::vector<std::string>{} : std::vector<std::string>{"InstallFolderEpic names"}},
    };
    for (const Case& c : cases) {
        const FoundGames found = findGameFolders(c.records);
        std::vector<std::string> games;
        for (const FoundGame& game : found.games) games.push_back(game.folder + "|" + game.launchers);
        EXPECT_EQ(games, c.found) << c.what;
        EXPECT_EQ(found.notes.size(), c.noted.empty() ? 0u : 1u) << c.what;
        for (const std::string& part : c.noted)
            for (const std::string& note : found.notes) EXPECT_NE(note.find(part), std::string::npos) << note;
    }

    // A damaged library list: Steam's own folder is still searched, and the damage is a note.
    write(steam / "steamapps" / "libraryfolders.vdf", libraries.substr(0, libraries.size() - 3));
    write(steam / "steamapps" / "appmanifest_1174180.acf", "\"AppState\" { \"installdir\" \"RDR2\" }");
    write(steam / "steamapps" / "common" / "RDR2" / "RDR2.exe", "MZ");
    LauncherRecords damaged;
    damaged.steamFolder = steam.u8string();
    const FoundGames found = findGameFolders(damaged);
    ASSERT_EQ(found.games.size(), 1u);
    EXPECT_EQ(found.games[0].folder, (steam / "steamapps" / "common" / "RDR2").u8string());
    ASSERT_EQ(found.notes.size(), 1u);
    EXPECT_NE(found.notes[0].find("libraryfolders.vdf is damaged (a block that is never closed"), std::string::npos)
        << found.notes[0];
}

}  // namespace
