// The native doctor on Linux and the Steam Deck: the game found in Steam's folders under a home
// laid out as Steam lays it out, check 8 over its users' launch options and the game's Wine
// prefix, the doctor opened from a file manager reopening itself in a terminal, and installing
// into and uninstalling from the Steam game folder, from a prompt and double-clicked.

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "doctor/cli/doctor_cli.h"
#include "doctor/folder/folder_finding.h"
#include "doctor/folder/game_finder.h"
#include "doctor/os/os.h"
#include "doctor/os/player_files.h"
#include "settings/settings_file.h"
#include "tests/support/flat_text.h"
#include "tests/support/launcher_files.h"
#include "tests/support/pe_builder.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/whole_file.h"

namespace fs = std::filesystem;
using launcher_files::write;

namespace {

const std::string kGame = "Red Dead Redemption 2";
const std::string kNative = ".local/share/Steam", kLink = ".steam/steam";
const std::string kFlatpak = ".var/app/com.valvesoftware.Steam/.local/share/Steam";

using launcher_files::HomeAt;

// A Steam library holding the game as Steam installs it (`installDir`), with RDR2.exe unless
// `withGame` is false; its folder, where the game lies.
fs::path libraryWithGame(const fs::path& library, const std::string& installDir = kGame, bool withGame = true) {
    write(library / "steamapps" / "appmanifest_1174180.acf",
          "\"AppState\" { \"appid\" \"1174180\" \"installdir\" \"" + installDir + "\" }");
    const fs::path game = library / "steamapps" / "common" / installDir;
    if (withGame)
        write(game / "RDR2.exe", "MZ");
    else
        fs::create_directories(game);
    return game;
}

// Steam's list of its libraries, naming `folders`.
std::string libraryList(const std::vector<fs::path>& folders) {
    std::string text = "\"libraryfolders\"\n{\n";
    for (std::size_t i = 0; i < folders.size(); ++i)
        text += "\t\"" + std::to_string(i) + "\"\n\t{\n\t\t\"path\"\t\t\"" + launcher_files::quotedPath(folders[i]) +
                "\"\n\t}\n";
    return text + "}\n";
}

std::string real(const fs::path& path) { return fs::canonical(path).u8string(); }

TEST(LinuxGameFinder, FindsTheGameWhereverSteamKeepsItselfUnderHome) {
    ScratchDir scratch;
    struct Case {
        const char* what;
        // Lays out the home (and a removable card's folder); the game folders expected.
        std::vector<fs::path> (*layOut)(const fs::path& home, const fs::path& card);
        std::vector<std::string> noted;  // a part of each note, one note each
    };
    const Case cases[] = {
        {"the native client",
         [](const fs::path& home, const fs::path&) { return std::vector<fs::path>{libraryWithGame(home / kNative)}; },
         {}},
        {"~/.steam/steam as a folder of its own",
         [](const fs::path& home, const fs::path&) { return std::vector<fs::path>{libraryWithGame(home / kLink)}; },
         {}},
        {"the Flatpak",
         [](const fs::path& home, const fs::path&) { return std::vector<fs::path>{libraryWithGame(home / kFlatpak)}; },
         {}},
        {"~/.steam/steam a link to the native client's folder: listed once",
         [](const fs::path& home, const fs::path&) {
             const fs::path game = libraryWithGame(home / kNative);
             fs::create_directories(home / ".steam");
             fs::create_directory_symlink(home / kNative, home / kLink);
             return std::vector<fs::path>{game};
         },
         {}},
        {"a library on a removable card, named in libraryfolders.vdf",
         [](const fs::path& home, const fs::path& card) {
             write(home / kNative / "steamapps" / "libraryfolders.vdf",
                   libraryList({home / kNative, card / "SteamLibrary"}));
             return std::vector<fs::path>{libraryWithGame(card / "SteamLibrary")};
         },
         {}},
        {"a damaged libraryfolders.vdf: a note, and Steam's own folder still searched",
         [](const fs::path& home, const fs::path& card) {
             const std::string list = libraryList({card / "SteamLibrary"});
             write(home / kNative / "steamapps" / "libraryfolders.vdf", list.substr(0, list.size() - 3));
             libraryWithGame(card / "SteamLibrary");
             return std::vector<fs::path>{libraryWithGame(home / kNative, "RDR2")};
         },
         {"libraryfolders.vdf is damaged"}},
        {"two libraries whose names differ only in case: two games",
         [](const fs::path& home, const fs::path& card) {
             write(home / kNative / "steamapps" / "libraryfolders.vdf",
                   libraryList({card / "SteamLibrary", card / "steamlibrary"}));
             return std::vector<fs::path>{libraryWithGame(card / "SteamLibrary"),
                                          libraryWithGame(card / "steamlibrary")};
         },
         {}},
        {"a manifest naming a folder without RDR2.exe: a note",
         [](const fs::path& home, const fs::path&) {
             libraryWithGame(home / kNative, kGame, false);
             return std::vector<fs::path>{};
         },
         {"holds no RDR2.exe"}},
        {"Steam's folders without the game, or no Steam at all",
         [](const fs::path& home, const fs::path&) {
             fs::create_directories(home / kFlatpak / "steamapps");
             fs::create_directories(home / ".steam");
             return std::vector<fs::path>{};
         },
         {}},
    };
    int n = 0;
    for (const Case& c : cases) {
        const fs::path home = scratch.path() / std::to_string(++n) / "home",
                       card = home.parent_path() / "run-media-deck-SD";
        fs::create_directories(home);
        const std::vector<fs::path> expected = c.layOut(home, card);
        const HomeAt at(home);
        const FoundGames found = findGameFolders(readLauncherRecords());
        std::vector<std::string> games, wanted;
        for (const FoundGame& game : found.games) games.push_back(game.folder + "|" + game.launchers);
        for (const fs::path& game : expected) wanted.push_back(real(game) + "|Steam");
        EXPECT_EQ(games, wanted) << c.what;
        ASSERT_EQ(found.notes.size(), c.noted.size()) << c.what;
        for (std::size_t i = 0; i < c.noted.size(); ++i)
            EXPECT_NE(found.notes[i].find(c.noted[i]), std::string::npos) << c.what << ": " << found.notes[i];
    }
}

// A user's localconfig.vdf giving the game `options`.
std::string localConfig(const std::string& options) {
    std::string quoted;
    for (const char c : options) quoted += c == '"' ? std::string("\\\"") : std::string(1, c);
    return "\"UserLocalConfigStore\"\n{\n\t\"Software\"\n\t{\n\t\t\"Valve\"\n\t\t{\n\t\t\t\"Steam\"\n\t\t\t{"
           "\n\t\t\t\t\"apps\"\n"
           "\t\t\t\t{\n\t\t\t\t\t\"1174180\"\n\t\t\t\t\t{\n\t\t\t\t\t\t\"LaunchOptions\"\t\t\"" +
           quoted + "\"\n\t\t\t\t\t}\n\t\t\t\t}\n\t\t\t}\n\t\t}\n\t}\n}\n";
}

// The prefix's user.reg with `sections`.
std::string userReg(const std::string& sections) {
    return "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n\n" +
           sections;
}

// Check 8's finding in the doctor's output with --details, unwrapped: its verdict ("FAIL 8
// Proton: ...") up to the next check's.
std::string protonLine(const std::string& out) {
    const std::string text = flat(out);
    const std::size_t at = text.find(" 8 Proton:");
    const std::size_t next = text.find(" Running:", at);
    if (at == std::string::npos || next == std::string::npos) return {};
    const std::size_t start = text.rfind(' ', at - 1) + 1, end = text.rfind(' ', next - 1);
    return text.substr(start, end - start);
}

TEST(LinuxProtonCheck, TellsWhetherWineLoadsTheFoldersLoaderFromTheUsersOptionsAndThePrefix) {
    ScratchDir scratch;
    const std::string overridden = "WINEDLLOVERRIDES=\"dinput8=n,b\" %command%";
    const std::string pasteFix = "write: ";
    const std::string global = "[Software\\\\Wine\\\\DllOverrides] 1712345678\n\"dinput8\"=\"native,builtin\"\n";
    const std::string forGame =
        "[Software\\\\Wine\\\\AppDefaults\\\\RDR2.exe\\\\DllOverrides] 1712345679\n"
        "\"dinput8\"=\"native,builtin\"\n";
    using Users = std::vector<std::pair<std::string, std::string>>;  // id, localconfig.vdf
    // One Steam user, 1001, with these launch options.
    const auto user = [](const std::string& options) { return Users{{"1001", localConfig(options)}}; };
    struct Case {
        const char* what;
        Users users;
        std::optional<std::string> reg;  // the prefix's user.reg; none: no prefix yet
        std::string verdict;             // "ok", "FAIL", "n/a"
        std::vector<std::string> said;   // in check 8's finding
        std::string paste;               // the line the fix says to write; empty: no fix
        std::string loader = "dinput8.dll";
    };
    const Case cases[] = {
        {"the launch option set", user(overridden), std::nullopt, "ok",
         {"Wine loads the folder's dinput8.dll first (the game's launch options say so)"}, ""},
        {"no launch option, no prefix yet", user(""), std::nullopt, "FAIL",
         {"Wine loads its own dinput8.dll", "Steam user 1001"}, overridden},
        {"other options kept in the line to paste", user("-vulkan %command% -fullscreen"), std::nullopt, "FAIL",
         {"Steam user 1001"}, "WINEDLLOVERRIDES=\"dinput8=n,b\" -vulkan %command% -fullscreen"},
        {"two users, the one lacking it named", {{"1001", localConfig(overridden)}, {"2002", localConfig("")}},
         std::nullopt, "FAIL", {"(the launch options of Steam user 2002)"}, overridden},
        {"the override only in the prefix", user(""), userReg(global), "ok", {"(the game's Wine prefix says so)"}, ""},
        {"only in the prefix's AppDefaults for RDR2.exe", user(""), userReg(forGame), "ok",
         {"(the game's Wine prefix says so)"}, ""},
        {"a damaged localconfig.vdf: not made, never a failure", {{"1001", "\"UserLocalConfigStore\" { \"Software\""}},
         std::nullopt, "n/a", {"can't be told", "user 1001's localconfig.vdf"}, ""},
        {"the loader named version.dll", user(""), std::nullopt, "FAIL", {"Wine loads its own version.dll"},
         "WINEDLLOVERRIDES=\"version=n,b\" %command%", "version.dll"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const fs::path home = scratch.path() / std::to_string(++n), steam = home / kNative;
        const fs::path game = libraryWithGame(steam);
        write(game / c.loader, "loads the .asi files beside the game");
        for (const auto& [id, config] : c.users) write(steam / "userdata" / id / "config" / "localconfig.vdf", config);
        if (c.reg) write(steam / "steamapps" / "compatdata" / "1174180" / "pfx" / "user.reg", *c.reg);
        const HomeAt at(home);
        const std::string folder = game.u8string();
        const char* argv[] = {"veltrane-doctor", "--details", "--game", folder.c_str()};
        std::ostringstream out, err;
        runDoctor(4, argv, out, err);
        const std::string line = protonLine(out.str());
        EXPECT_EQ(line.rfind(c.verdict + " 8 Proton: ", 0), 0u) << c.what << "\n" << out.str();
        for (const std::string& part : c.said)
            EXPECT_NE(line.find(part), std::string::npos) << c.what << ": " << part << "\n" << line;
        const std::size_t fix = line.find(pasteFix);
        if (c.paste.empty()) {
            EXPECT_EQ(fix, std::string::npos) << c.what << "\n" << line;
        } else {
            ASSERT_NE(fix, std::string::npos) << c.what << "\n" << line;
            EXPECT_EQ(line.substr(fix + pasteFix.size(), c.paste.size() + 2), c.paste + " (") << c.what << "\n" << line;
        }
    }
}


// Which of the plugin's functions the script hook lacks, read from the DLL's own export table.
TEST(LinuxExportLookup, NamesTheFunctionsTheDllLacks) {
    ScratchDir scratch;
    const std::vector<std::string> wanted = {"standInBind", "standInRunFrame"};
    struct Case {
        const char* what;
        std::optional<std::string> bytes;  // none: no file
        std::vector<std::string> missing;
        bool refused;
    };
    const Case cases[] = {
        {"every function, 64-bit", pe_builder::buildDll(true, {}), {}, false},
        {"every function, 32-bit", pe_builder::buildDll(false, {}), {}, false},
        {"one lacking", pe_builder::buildDll(true, {}, {"standInBind"}), {"standInRunFrame"}, false},
        {"names compared in their case", pe_builder::buildDll(true, {}, {"standinbind", "standInRunFrame"}),
         {"standInBind"}, false},
        {"no exports", pe_builder::buildDll(true, {}, {}), wanted, false},
        {"no DLL", std::string("MZ not a DLL"), {}, true},
        {"no file", std::nullopt, {}, true},
    };
    for (const Case& c : cases) {
        const fs::path dll = scratch.path() / "hook.dll";
        fs::remove(dll);
        if (c.bytes) write(dll, *c.bytes);
        const ExportLookup lookup = lookUpExports(dll, wanted);
        EXPECT_TRUE(lookup.made) << c.what;
        EXPECT_EQ(lookup.missing, c.missing) << c.what;
        EXPECT_EQ(!lookup.loadError.empty(), c.refused) << c.what << ": " << lookup.loadError;
    }
}

// ---- Stand-ins run by the tests below as programs of their own: this test program again, named
// in its command line as the test wants, running one of these disabled tests.

std::string selfPath() { return fs::read_symlink("/proc/self/exe").string(); }

// As a game under Wine: maps each file VELTRANE_TEST_MAP names (":" between) and waits to be ended.
TEST(LinuxStandIn, DISABLED_MapsFilesAndWaits) {
    std::stringstream files(std::getenv("VELTRANE_TEST_MAP") ? std::getenv("VELTRANE_TEST_MAP") : "");
    for (std::string file; std::getline(files, file, ':');) {
        const int fd = ::open(file.c_str(), O_RDONLY);
        ASSERT_GE(fd, 0) << file;
        ASSERT_NE(::mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE, fd, 0), MAP_FAILED) << file;
    }
    std::printf("mapped\n");
    std::fflush(stdout);
    ::pause();
}

// As the doctor reopened in a terminal: writes to VELTRANE_TEST_ALONE whether it owns its console.
TEST(LinuxStandIn, DISABLED_SaysWhetherItOwnsTheConsole) {
    if (const char* file = std::getenv("VELTRANE_TEST_ALONE")) writeFile(file, ownsConsoleAlone() ? "alone" : "shared");
}

std::vector<std::string> standIn(const std::string& test) {
    return {"--gtest_filter=LinuxStandIn.DISABLED_" + test, "--gtest_also_run_disabled_tests"};
}

// The running game as /proc shows it under Wine: its command line starts with its Windows path,
// and the DLLs it loaded are files mapped into it.
TEST(LinuxRunningPrograms, TellsTheGameAndWhatItLoadedFromProc) {
    ScratchDir scratch;
    write("game/veltrane.ASI", std::string(4096, 'x'));
    write("game/ScriptHookRDR2.dll", std::string(4096, 'x'));
    write("game/other.dll", std::string(4096, 'x'));
    const std::string game = absoluteFolder("game");
    struct Case {
        const char* what;
        std::string program;  // the command line's first part
        std::string maps;     // the files mapped, ":" between
        bool listed;
        std::string plugin, hook;  // the paths found; empty: none
    };
    const Case cases[] = {
        {"the game with both loaded, its name in any case after \\", "C:\\Games\\rdr2.EXE",
         game + "/veltrane.ASI:" + game + "/ScriptHookRDR2.dll", true, game + "/veltrane.ASI",
         game + "/ScriptHookRDR2.dll"},
        {"the game after /, neither loaded", "/games/RDR2.exe", game + "/other.dll", true, "", ""},
        {"another Windows program with the script hook", "Z:\\tools\\launcher.exe", game + "/ScriptHookRDR2.dll", true,
         "", game + "/ScriptHookRDR2.dll"},
        {"another Windows program with neither", "launcher.exe", game + "/other.dll", false, "", ""},
        {"no Windows program, though it maps the plugin", "/usr/bin/RDR2", game + "/veltrane.ASI", false, "", ""},
    };
    for (const Case& c : cases) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::dup2(ready[1], 1);
            // Never the test runner's output, and gone within a minute whatever happens to this
            // test (a pending alarm outlives exec): an orphan would hold the runner's pipe open.
            const int none = ::open("/dev/null", O_WRONLY);
            if (none >= 0) ::dup2(none, 2);
            ::alarm(60);
            ::setenv("VELTRANE_TEST_MAP", c.maps.c_str(), 1);
            const std::string self = selfPath();
            std::vector<std::string> args = standIn("MapsFilesAndWaits");
            args.insert(args.begin(), c.program);
            std::vector<char*> argv;
            for (std::string& arg : args) argv.push_back(arg.data());
            argv.push_back(nullptr);
            ::execv(self.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(ready[1]);
        std::string said;
        char buffer[256];
        for (ssize_t got = 1; said.find("mapped") == std::string::npos && got > 0;) {
            got = ::read(ready[0], buffer, sizeof buffer);
            if (got > 0) said.append(buffer, static_cast<std::size_t>(got));
        }
        const RunningPrograms found = runningPrograms("Veltrane.asi", "ScriptHookRDR2.dll", "RDR2.exe");
        ::kill(child, SIGTERM);
        ::waitpid(child, nullptr, 0);
        ::close(ready[0]);
        ASSERT_NE(said.find("mapped"), std::string::npos) << c.what << "\n" << said;
        EXPECT_TRUE(found.made);
        const RunningProgram* program = nullptr;
        for (const RunningProgram& each : found.programs)
            if (each.processId == static_cast<std::uint32_t>(child)) program = &each;
        EXPECT_EQ(program != nullptr, c.listed) << c.what;
        if (!program) continue;
        EXPECT_EQ(program->fileName, c.program.substr(c.program.find_last_of("/\\") + 1)) << c.what;
        EXPECT_TRUE(program->modulesListed) << c.what;
        EXPECT_EQ(program->pluginPath, c.plugin) << c.what;
        EXPECT_EQ(program->hookPath, c.hook) << c.what;
        EXPECT_EQ(program->currentFolder, "") << c.what;
    }
}

// A /proc file whose reading fails (a process that ended after it was listed gives "No such
// process"; reading another's memory where nothing is mapped, an I/O error) is no file to the
// doctor, never an exception out of the search for the running game.
TEST(LinuxRunningPrograms, AFileThatFailsAsItIsReadGivesNothing) {
    EXPECT_EQ(readBytes("/proc/self/mem"), std::nullopt);
    EXPECT_NE(readBytes("/proc/self/cmdline").value_or(""), "");
}

// Opened from a file manager (no terminal, a desktop), the doctor runs again in the first
// terminal program on PATH, marked so that it asks and waits for Enter; otherwise it stays.
TEST(LinuxReopenInTerminal, OnlyWithoutATerminalAndWithADesktop) {
    ScratchDir scratch;
    const fs::path bin = scratch.path() / "bin";
    // A stand-in terminal: records its arguments, then runs the command after its first one.
    const auto terminal = [&](const std::string& name) {
        write(bin / name, "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > \"$VELTRANE_TEST_RECORD\"\nshift\nexec \"$@\"\n");
        fs::permissions(bin / name, fs::perms::owner_all);
    };
    terminal("gnome-terminal");
    terminal("xterm");
    // A bare chroot has no /dev/pts: there the case with a terminal can't be played.
    bool pseudoTerminals = false;
    if (const int master = ::posix_openpt(O_RDWR | O_NOCTTY); master >= 0) {
        const int slave = ::grantpt(master) == 0 && ::unlockpt(master) == 0 ? ::open(::ptsname(master), O_RDWR) : -1;
        pseudoTerminals = slave >= 0;
        if (slave >= 0) ::close(slave);
        ::close(master);
    }
    struct Case {
        const char* what;
        bool stdinTerminal;      // stdin a terminal (a pseudo-terminal here)
        const char* display;     // DISPLAY; null: none
        const char* marker;      // VELTRANE_DOCTOR_TERMINAL already set; null: not
        bool withKonsole;        // konsole on PATH before the others
        bool reopened;
        std::string terminalRun;  // the stand-in that ran and its second argument
    };
    const Case cases[] = {
        {"from a file manager", false, ":0", nullptr, true, true, "konsole -e"},
        {"from a file manager, no konsole: the next one found", false, ":0", nullptr, false, true, "gnome-terminal --"},
        {"from a terminal", true, ":0", nullptr, true, false, ""},
        {"no desktop", false, nullptr, nullptr, true, false, ""},
        {"already reopened", false, ":0", "1", true, false, ""},
        {"marked by a script as no player's", false, ":0", "0", true, false, ""},
    };
    for (const Case& c : cases) {
        fs::remove(bin / "konsole");
        if (c.stdinTerminal && !pseudoTerminals) {
            std::cout << "no pseudo-terminal can be made here: \"" << c.what << "\" left out\n";
            continue;
        }
        if (c.withKonsole) terminal("konsole");
        const fs::path record = scratch.path() / "record.txt", alone = scratch.path() / "alone.txt";
        fs::remove(record);
        fs::remove(alone);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const int nothing = ::open("/dev/null", O_RDWR);
            int in = nothing;
            if (c.stdinTerminal) {
                const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
                if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) ::_exit(3);
                in = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
            }
            ::dup2(in, 0);
            ::dup2(nothing, 1);
            ::dup2(nothing, 2);
            ::setenv("PATH", bin.c_str(), 1);
            ::setenv("VELTRANE_TEST_RECORD", record.c_str(), 1);
            ::setenv("VELTRANE_TEST_ALONE", alone.c_str(), 1);
            ::unsetenv("WAYLAND_DISPLAY");
            if (c.display) ::setenv("DISPLAY", c.display, 1);
            else ::unsetenv("DISPLAY");
            if (c.marker) ::setenv("VELTRANE_DOCTOR_TERMINAL", c.marker, 1);
            else ::unsetenv("VELTRANE_DOCTOR_TERMINAL");
            std::vector<std::string> args = standIn("SaysWhetherItOwnsTheConsole");
            args.insert(args.begin(), "veltrane-doctor");
            std::vector<char*> argv;
            for (std::string& arg : args) argv.push_back(arg.data());
            ::_exit(reopenInTerminal(static_cast<int>(argv.size()), argv.data()) ? 1 : 0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << c.what;
        EXPECT_EQ(WEXITSTATUS(status), c.reopened ? 1 : 0) << c.what;
        if (!c.reopened) {
            EXPECT_FALSE(fs::exists(record)) << c.what;
            continue;
        }
        // The terminal ran the doctor's own file with the same arguments, and the doctor owns it.
        std::vector<std::string> expected = {(bin / c.terminalRun.substr(0, c.terminalRun.find(' '))).string(),
                                             c.terminalRun.substr(c.terminalRun.find(' ') + 1), selfPath()};
        for (const std::string& arg : standIn("SaysWhetherItOwnsTheConsole")) expected.push_back(arg);
        std::vector<std::string> recorded;
        std::stringstream lines(readFile(record.string()));
        for (std::string line; std::getline(lines, line);) recorded.push_back(line);
        EXPECT_EQ(recorded, expected) << c.what;
        EXPECT_EQ(readFile(alone.string()), "alone") << c.what;
    }
    // Run from a prompt, or marked by a script, the doctor shares its console.
    for (const char* marker : {static_cast<const char*>(nullptr), "0"}) {
        if (marker) ::setenv("VELTRANE_DOCTOR_TERMINAL", marker, 1);
        EXPECT_FALSE(ownsConsoleAlone()) << (marker ? marker : "no marker");
        ::unsetenv("VELTRANE_DOCTOR_TERMINAL");
    }
}

// ---- Install and uninstall from Linux: the doctor itself, copied into a package folder with a
// Veltrane.asi of its version, run from there over a home holding the game in Steam's library.

// Every file below `folder` with its bytes, by path under it.
std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).string()] = readFile(entry.path().string());
    return files;
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

TEST(LinuxInstall, IntoTheSteamGameFolderWithEveryFileBeforeAndAfter) {
    ScratchDir scratch;
    pe_builder::Version version;
    version.texts.emplace_back("FileVersion", VELTRANE_TEST_VERSION);
    const std::string plugin = pe_builder::buildDll(true, {}, pe_builder::kExports, 1, version);
    const std::string custom = "[Settings]\r\nEnabled=1\r\n[WeatherType_Rain]\r\nAccuracy_Rain=35\r\n";
    // The default settings file, as the plugin (and the doctor) writes it here.
    fs::create_directories(scratch.path() / "defaults");
    SettingsFile defaultsFile;
    defaultsFile.setPath((scratch.path() / "defaults" / "Veltrane.ini").string());
    defaultsFile.writeDefaults();
    const std::string defaults = readFile((scratch.path() / "defaults" / "Veltrane.ini").string());
    struct Case {
        const char* what;
        std::map<std::string, std::string> before;  // the game folder's files beside RDR2.exe
        std::vector<std::string> args;              // "{game}" stands for the game folder
        const char* answers;                        // double-clicked: typed in the terminal; null: from a prompt
        int status;
        std::vector<std::string> said;
        // The files that change: the new bytes, "was:NAME" (NAME's bytes before) or "" (removed).
        std::map<std::string, std::string> changes;
    };
    const std::string asi = "Veltrane.asi", ini = "Veltrane.ini", bak = "Veltrane.asi.bak";
    const Case cases[] = {
        {"--install, the game found in Steam's library: Veltrane.ini written where none is", {}, {"--install"},
         nullptr, 1, {"Wrote {game}/Veltrane.asi (version " VELTRANE_TEST_VERSION ")", "(the default settings)",
          "FAIL 1 Script hook"},
         {{asi, plugin}, {ini, defaults}}},
        {"--install DIR over another Veltrane.asi: kept as .bak, the player's Veltrane.ini untouched",
         {{asi, "an older plugin"}, {ini, custom}}, {"--install", "{game}"}, nullptr, 1,
         {"Wrote {game}/Veltrane.asi.bak (the Veltrane.asi that was there"}, {{asi, plugin}, {bak, "was:" + asi}}},
        {"--install again: nothing to copy", {{asi, plugin}, {ini, custom}}, {"--install"}, nullptr, 1,
         {"is this package's already: nothing to copy"}, {}},
        {"--uninstall: the plugin removed, Veltrane.ini and the backups left", {{asi, plugin}, {ini, custom},
         {bak, "an older plugin"}}, {"--uninstall"}, nullptr, 0,
         {"Removed {game}/Veltrane.asi", "Veltrane.ini is yours and stays", "Veltrane.asi.bak is an earlier"},
         {{asi, ""}}},
        {"--uninstall leaves another plugin", {{asi, "an older plugin"}}, {"--uninstall", "{game}"}, nullptr, 1,
         {"is not this package's Veltrane.asi"}, {}},
        {"double-clicked: asked in the terminal, y", {}, {}, "y\n\n", 1,
         {"Install Veltrane.asi into {game}? [y/N]", "Wrote {game}/Veltrane.asi", "Press Enter to close"},
         {{asi, plugin}, {ini, defaults}}},
        {"double-clicked: asked in the terminal, n", {{ini, custom}}, {}, "n\n\n", 1,
         {"Install Veltrane.asi into {game}? [y/N]"}, {}},
    };
    int n = 0;
    for (const Case& c : cases) {
        const fs::path root = scratch.path() / std::to_string(++n), home = root / "home";
        const fs::path game = libraryWithGame(home / kNative), package = root / "package", bin = root / "bin";
        for (const auto& [name, bytes] : c.before) write(game / name, bytes);
        write(package / asi, plugin);
        fs::copy_file(VELTRANE_DOCTOR_PROGRAM, package / "veltrane-doctor");
        // A stand-in terminal: the doctor in it reads the answers typed and shows its screen.
        write(bin / "konsole",
              "#!/bin/sh\nshift\n\"$@\" < \"$ANSWERS\" > \"$SCREEN\" 2>&1\necho $? > \"$SCREEN.status\"\n");
        fs::permissions(bin / "konsole", fs::perms::owner_all);
        const fs::path screen = root / "screen.txt", answers = root / "answers.txt";
        write(answers, c.answers ? c.answers : "");
        const auto placed = [&](std::string text) {
            for (std::size_t at; (at = text.find("{game}")) != std::string::npos;) text.replace(at, 6, game.string());
            return text;
        };
        std::string command = "cd " + shellQuoted(package.string()) + " && env -i HOME=" + shellQuoted(home.string()) +
                              " PATH=" + shellQuoted(bin.string() + ":/usr/bin:/bin") + " ANSWERS=" +
                              shellQuoted(answers.string()) + " SCREEN=" + shellQuoted(screen.string()) +
                              (c.answers ? " DISPLAY=:0" : "") + " ./veltrane-doctor";
        for (const std::string& arg : c.args) command += " " + shellQuoted(placed(arg));
        // From a file manager: no terminal at all; from a prompt, the screen is the doctor's own output.
        const std::string status = "; echo $? > " + shellQuoted(screen.string() + ".status");
        command += c.answers ? " < /dev/null > /dev/null 2>&1" : " < /dev/null > " + shellQuoted(screen.string()) +
                                                                   " 2>&1" + status;
        const auto before = snapshot(game);
        ASSERT_EQ(std::system(command.c_str()), 0) << c.what;
        const std::string shown = readFile(screen.string());
        EXPECT_EQ(readFile(screen.string() + ".status"), std::to_string(c.status) + "\n") << c.what << "\n" << shown;
        for (const std::string& part : c.said)
            EXPECT_NE(flat(shown).find(placed(part)), std::string::npos)
                << c.what << ": " << placed(part) << "\n" << shown;
        auto expected = before;
        for (const auto& [name, bytes] : c.changes) {
            if (bytes.empty()) expected.erase(name);
            else expected[name] = bytes.rfind("was:", 0) == 0 ? before.at(bytes.substr(4)) : bytes;
        }
        EXPECT_EQ(snapshot(game), expected) << c.what << "\n" << shown;
    }
}

// Every command the Linux doctor suggests runs as typed in the shell where it was suggested:
// "./veltrane-doctor" in its own folder, its path from anywhere else (quoted where the path
// holds a blank). bash answers "command not found" (127) to a bare "veltrane-doctor".
TEST(LinuxInstall, SuggestedCommandsRunInTheShellWhereTheyWereSuggested) {
    ScratchDir scratch;
    pe_builder::Version version;
    version.texts.emplace_back("FileVersion", VELTRANE_TEST_VERSION);
    const std::string plugin = pe_builder::buildDll(true, {}, pe_builder::kExports, 1, version);
    struct Case {
        const char* what;
        const char* package;  // the unpacked package's folder, under the root
        const char* from;     // where the player types, under the root
        const char* typed;    // the doctor as the player types it there
    };
    const Case cases[] = {
        {"in the package's folder", "Veltrane", "Veltrane", "./veltrane-doctor"},
        {"from the home folder, by a path", "home/Downloads/Veltrane", "home", "Downloads/Veltrane/veltrane-doctor"},
        {"by a path with a blank", "home/My Mods/Veltrane", "home", "'My Mods/Veltrane/veltrane-doctor'"},
    };
    const std::regex suggested(R"(('[^']*veltrane-doctor'|\S*veltrane-doctor)((?: --[a-z-]+(?: "[^"]*")?)+))");
    int n = 0;
    for (const Case& c : cases) {
        const fs::path root = scratch.path() / std::to_string(++n), home = root / "home";
        const fs::path game = libraryWithGame(home / kNative), package = root / c.package;
        SettingsFile settings;
        settings.setPath((game / "Veltrane.ini").string());
        settings.writeDefaults();
        std::string text = readFile((game / "Veltrane.ini").string());
        write(game / "Veltrane.ini", text.replace(text.find("DamageMod_Rain=1"), 16, "DamageMod_Rain=0,5"));
        write(package / "Veltrane.asi", plugin);
        fs::copy_file(VELTRANE_DOCTOR_PROGRAM, package / "veltrane-doctor");
        const std::string shell = "cd " + shellQuoted((root / c.from).string()) + " && env -i HOME=" +
                                  shellQuoted(home.string()) + " PATH=/usr/bin:/bin bash -c ";
        const std::string screen = (root / "screen.txt").string();
        std::system((shell + shellQuoted(std::string(c.typed) + " --game " + shellQuoted(game.string())) + " > " +
                     shellQuoted(screen) + " 2>&1 < /dev/null")
                        .c_str());
        const std::string shown = flat(readFile(screen));
        std::vector<std::string> options;
        for (std::sregex_iterator it(shown.begin(), shown.end(), suggested), end; it != end; ++it) {
            options.push_back((*it)[2].str().substr(1, (*it)[2].str().find('"') - 2));
            const int status = std::system((shell + shellQuoted(it->str()) + " > /dev/null 2>&1 < /dev/null").c_str());
            ASSERT_TRUE(WIFEXITED(status)) << it->str();
            EXPECT_NE(WEXITSTATUS(status), 127) << c.what << ": " << it->str();
            EXPECT_NE(WEXITSTATUS(status), 2) << c.what << ": " << it->str();
        }
        // The folder's check offers --install, the settings file's report --fix.
        EXPECT_EQ(options, (std::vector<std::string>{"--install", "--fix"})) << c.what << "\n" << shown;
        EXPECT_TRUE(fs::exists(game / "Veltrane.asi")) << c.what;
        EXPECT_TRUE(fs::exists(game / "Veltrane.ini.bak")) << c.what;
    }
}

}  // namespace
