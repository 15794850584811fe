// Whether Wine loads the loader from the game's folder under Proton: the override values, the
// launch options as the shell reads them, the line a player is told to paste (run through the
// shell), the Steam users' settings, the prefix's registry, and the verdict over all of them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "doctor/readers/launch_options.h"
#include "doctor/folder/proton_override.h"
#include "doctor/readers/steam_launch_options.h"
#include "doctor/readers/wine_load_order.h"
#include "doctor/readers/wine_registry.h"

namespace {

using Text = std::optional<std::string>;
const Text kAbsent = std::nullopt;

// The mode an override list sets for the DLL, and whether that mode loads the DLL in the
// game's folder first.
TEST(WineLoadOrder, FindsTheDllsModeAndOnlyANativeFirstOneLoadsTheFolderDll) {
    const struct {
        const char* list;
        const char* dll;
        Text mode;
        bool nativeFirst;
    } cases[] = {
        {"dinput8=n,b;d3d11=b", "dinput8", "n,b", true},
        {"d3d11=b;dinput8=n", "DINPUT8.DLL", "n", true},
        {"d3d11,dinput8=native", "dinput8", "native", true},
        {"*dinput8=n;d3d11=b", "dinput8", "n", true},
        {"DInput8.dll=n,b", "dinput8", "n,b", true},
        {"dinput8=b;dinput8=n,b", "dinput8", "n,b", true},
        {"d3d11=b", "dinput8", kAbsent, false},
        {"dinput8", "dinput8", kAbsent, false},
        {"xdinput8=n", "dinput8", kAbsent, false},
        {"version=n,b", "C:\\Games\\RDR2\\version.dll", "n,b", true},
        {"dinput8=native,builtin", "dinput8", "native,builtin", true},
        {"dinput8= N , B ", "dinput8", " N , B ", true},
        {"dinput8=builtin", "dinput8", "builtin", false},
        {"dinput8=b,n", "dinput8", "b,n", false},
        {"dinput8=", "dinput8", "", false},
        {"dinput8=disabled", "dinput8", "disabled", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(modeInOverrideList(c.list, c.dll), c.mode) << c.list << " / " << c.dll;
        EXPECT_EQ(overrideLoadsNativeFirst(c.mode), c.nativeFirst) << c.mode.value_or("(absent)");
    }
}

TEST(LaunchOptions, SetsAVariableOnlyBeforeTheGameInItsOwnCommand) {
    const struct {
        const char* options;
        Text value;
        bool refused;
    } cases[] = {
        {"WINEDLLOVERRIDES=\"dinput8=n,b\" %command%", "dinput8=n,b", false},
        {"WINEDLLOVERRIDES='dinput8=n,b' DXVK_HUD=1 %command% -vulkan", "dinput8=n,b", false},
        {"WINEDLLOVERRIDES=dinput8=n\\;d3d11=b %command%", "dinput8=n;d3d11=b", false},
        {"WINEDLLOVERRIDES=\"a=\\\"b\\\"\" %command%", "a=\"b\"", false},
        {"env WINEDLLOVERRIDES=\"dinput8=n\" mangohud %command%", "dinput8=n", false},
        {"WINEDLLOVERRIDES=x=b WINEDLLOVERRIDES=y=n %command%", "y=n", false},
        {"export WINEDLLOVERRIDES=\"dinput8=n\"; %command%", "dinput8=n", false},
        {"WINEDLLOVERRIDES=\"dinput8=n\"; %command%", kAbsent, false},
        {"%command% WINEDLLOVERRIDES=\"dinput8=n\"", kAbsent, false},
        {"WINEDLLOVERRIDES=\"dinput8=n\" -vulkan", kAbsent, false},
        {"# WINEDLLOVERRIDES=\"dinput8=n\"\n%command%", kAbsent, false},
        {"\"WINEDLLOVERRIDES=dinput8=n\" %command%", kAbsent, false},
        {"MY_WINEDLLOVERRIDES=n %command%", kAbsent, false},
        {"WINEDLLOVERRIDES=\"dinput8=n %command%", kAbsent, true},
        {"WINEDLLOVERRIDES='dinput8=n %command%", kAbsent, true},
    };
    for (const auto& c : cases) {
        const LaunchOptionsVariable read = launchOptionsVariable(c.options, "WINEDLLOVERRIDES");
        EXPECT_EQ(read.value, c.value) << c.options;
        EXPECT_EQ(!read.refusal.empty(), c.refused) << c.options;
    }
}

#ifndef _WIN32
// The environment that `options` give the game: "%command%" becomes a program that prints it
// and takes the game's arguments as its own.
std::map<std::string, std::string> environmentOfGame(const std::string& options) {
    std::string line = options;
    const std::string command = "%command%";
    line.replace(line.find(command), command.size(), "sh -c env game");
    std::map<std::string, std::string> variables;
    FILE* shell = popen(line.c_str(), "r");  // popen runs it with /bin/sh -c
    if (!shell) return variables;
    std::string out;
    char chunk[4096];
    while (const std::size_t got = std::fread(chunk, 1, sizeof chunk, shell)) out.append(chunk, got);
    pclose(shell);
    for (const std::string_view entry : splitAt(out, '\n')) {
        const std::size_t equals = entry.find('=');
        if (equals != std::string::npos) variables[std::string(entry.substr(0, equals))] = entry.substr(equals + 1);
    }
    return variables;
}
#endif

TEST(LaunchOptions, TheLineToPasteLoadsTheFolderDllAndKeepsTheRest) {
    const struct {
        const char* options;
        const char* dll;
        const char* line;                                  // what the player is told to paste
        std::map<std::string, std::string> otherVariables;  // still set for the game
        std::vector<std::string> otherEntries;              // still in WINEDLLOVERRIDES
    } cases[] = {
        {"", "dinput8", "WINEDLLOVERRIDES=\"dinput8=n,b\" %command%", {}, {}},
        {"  -vulkan -ignorepipelinecache ", "dinput8",
         "WINEDLLOVERRIDES=\"dinput8=n,b\" %command% -vulkan -ignorepipelinecache", {}, {}},
        {"DXVK_HUD=fps %command% -vulkan", "dinput8", "WINEDLLOVERRIDES=\"dinput8=n,b\" DXVK_HUD=fps %command% -vulkan",
         {{"DXVK_HUD", "fps"}}, {}},
        {"DXVK_HUD=fps env PROTON_LOG=1 %command%", "dinput8",
         "WINEDLLOVERRIDES=\"dinput8=n,b\" DXVK_HUD=fps env PROTON_LOG=1 %command%",
         {{"DXVK_HUD", "fps"}, {"PROTON_LOG", "1"}}, {}},
        {"WINEDLLOVERRIDES=\"d3d11=b\" %command%", "dinput8", "WINEDLLOVERRIDES=\"d3d11=b;dinput8=n,b\" %command%", {},
         {"d3d11=b"}},
        {"A='x y' WINEDLLOVERRIDES=d3d11,dxgi=n %command% -skipintro", "dinput8",
         "A='x y' WINEDLLOVERRIDES=\"d3d11,dxgi=n;dinput8=n,b\" %command% -skipintro", {{"A", "x y"}}, {"d3d11,dxgi=n"}},
        {"WINEDLLOVERRIDES='dinput8,d3d11=b;dsound=n' %command%", "dinput8",
         "WINEDLLOVERRIDES=\"d3d11=b;dsound=n;dinput8=n,b\" %command%", {}, {"d3d11=b", "dsound=n"}},
        {"WINEDLLOVERRIDES='a\\\"b=n' %command%", "dinput8", "WINEDLLOVERRIDES=\"a\\\\\\\"b=n;dinput8=n,b\" %command%", {},
         {"a\\\"b=n"}},
        {"export WINEDLLOVERRIDES=\"d3d11=b\"; B=2 %command%", "dinput8",
         "export WINEDLLOVERRIDES=\"d3d11=b;dinput8=n,b\"; B=2 %command%", {{"B", "2"}}, {"d3d11=b"}},
        {"WINEDLLOVERRIDES=\"d3d11=b\"; %command%", "dinput8",
         "WINEDLLOVERRIDES=\"d3d11=b\"; WINEDLLOVERRIDES=\"dinput8=n,b\" %command%", {}, {}},
        {"WINEDLLOVERRIDES=\"$NO_SUCH_VARIABLE;d3d11=b\" %command%", "dinput8",
         "WINEDLLOVERRIDES=\"$NO_SUCH_VARIABLE;d3d11=b;dinput8=n,b\" %command%", {}, {"d3d11=b"}},
        {"WINEDLLOVERRIDES=\"dinput8=n,b\" %command%", "dinput8", "WINEDLLOVERRIDES=\"dinput8=n,b\" %command%", {}, {}},
        {"WINEDLLOVERRIDES=\"dinput8=n,b\" %command%", "version.dll",
         "WINEDLLOVERRIDES=\"dinput8=n,b;version=n,b\" %command%", {}, {"dinput8=n,b"}},
        {"-vulkan", "WINMM.DLL", "WINEDLLOVERRIDES=\"winmm=n,b\" %command% -vulkan", {}, {}},
    };
    for (const auto& c : cases) {
        const LaunchOptionsLine made = launchOptionsLoadingNativeFirst(c.options, c.dll);
        ASSERT_TRUE(made.refusal.empty()) << c.options << ": " << made.refusal;
        EXPECT_EQ(made.options, c.line) << c.options;
        EXPECT_EQ(launchOptionsLoadingNativeFirst(made.options, c.dll).options, made.options)
            << "pasted twice: " << c.options;
#ifndef _WIN32
        unsetenv("WINEDLLOVERRIDES");
        unsetenv("NO_SUCH_VARIABLE");
        const std::map<std::string, std::string> game = environmentOfGame(made.options);
        const auto overrides = game.find("WINEDLLOVERRIDES");
        ASSERT_NE(overrides, game.end()) << made.options;
        EXPECT_TRUE(overrideLoadsNativeFirst(modeInOverrideList(overrides->second, overrideDllName(c.dll))))
            << made.options << " gave " << overrides->second;
        for (const auto& [name, value] : c.otherVariables) {
            const auto found = game.find(name);
            EXPECT_TRUE(found != game.end() && found->second == value) << name << " lost by " << made.options;
        }
        const std::vector<std::string_view> entries = splitAt(overrides->second, ';');
        for (const std::string& entry : c.otherEntries) {
            EXPECT_NE(std::find(entries.begin(), entries.end(), entry), entries.end()) << entry << " lost by " << made.options;
        }
#endif
    }
    EXPECT_FALSE(launchOptionsLoadingNativeFirst("A=\"x %command%", "dinput8").refusal.empty());
}

std::string localconfig(const std::string& apps, const std::string& game) {
    return "\"UserLocalConfigStore\"\n{\n\t\"Software\"\n\t{\n\t\t\"Valve\"\n\t\t{\n\t\t\t\"Steam\"\n\t\t\t{\n\t\t\t\t\"" + apps +
           "\"\n\t\t\t\t{\n\t\t\t\t\t\"1174180\"\n\t\t\t\t\t{\n" + game + "\t\t\t\t\t}\n\t\t\t\t}\n\t\t\t}\n\t\t}\n\t}\n}\n";
}

TEST(SteamLaunchOptions, ReadsTheGamesOptionsFromAUsersSettings) {
    const struct {
        const char* what;
        std::string vdf;
        Text options;
        bool refused;
    } cases[] = {
        {"lower-case apps", localconfig("apps", "\"LastPlayed\" \"1700000000\"\n\"LaunchOptions\" \"-vulkan\"\n"), "-vulkan",
         false},
        {"upper-case Apps, escaped quotes",
         localconfig("Apps", "\"LaunchOptions\"\t\t\"WINEDLLOVERRIDES=\\\"dinput8=n,b\\\" %command%\"\n"),
         "WINEDLLOVERRIDES=\"dinput8=n,b\" %command%", false},
        {"never set", localconfig("apps", "\"LastPlayed\" \"1\"\n"), kAbsent, false},
        {"set to nothing", localconfig("apps", "\"LaunchOptions\" \"\"\n"), "", false},
        {"another game only", "\"UserLocalConfigStore\" { \"Software\" { \"Valve\" { \"Steam\" { \"apps\" { \"730\" { "
                              "\"LaunchOptions\" \"-novid\" } } } } } }",
         kAbsent, false},
        {"options as a block", localconfig("apps", "\"LaunchOptions\" { }\n"), kAbsent, true},
        {"cut short", localconfig("apps", "\"LaunchOptions\" \"-vulkan\"\n").substr(0, 150), kAbsent, true},
        {"not a user's settings", "\"libraryfolders\" { }", kAbsent, true},
        {"not text", std::string("\0\x01\x02", 3), kAbsent, true},
    };
    for (const auto& c : cases) {
        const SteamLaunchOptions read = readSteamLaunchOptions(c.vdf, "1174180");
        EXPECT_EQ(read.options, c.options) << c.what;
        EXPECT_EQ(!read.refusal.empty(), c.refused) << c.what << ": " << read.refusal;
    }
}

std::string userReg(const std::string& sections) {
    return "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n\n" + sections;
}

const std::string kGlobal = "[Software\\\\Wine\\\\DllOverrides] 1712345678\n#time=1da8c2d3e4f5a6b\n";
const std::string kProgram = "[Software\\\\Wine\\\\AppDefaults\\\\rdr2.EXE\\\\DllOverrides] 1712345679\n";

TEST(WineRegistry, ReadsTheDllsOverrideFromBothSections) {
    const struct {
        const char* what;
        std::string reg;
        const char* dll;
        Text global, program, inEffect;
        bool refused;
    } cases[] = {
        {"global only", userReg(kGlobal + "\"*d3dcompiler_47\"=\"native,builtin\"\n\"dinput8\"=\"native,builtin\"\n"),
         "dinput8", "native,builtin", kAbsent, "native,builtin", false},
        {"program only, its name in another case", userReg(kProgram + "\"DINPUT8\"=\"native\"\n"), "dinput8.dll", kAbsent,
         "native", "native", false},
        {"program before global", userReg(kGlobal + "\"dinput8\"=\"builtin\"\n\n" + kProgram + "\"dinput8\"=\"n\"\n"),
         "dinput8", "builtin", "n", "n", false},
        {"plain name before starred", userReg(kProgram + "\"*dinput8\"=\"builtin\"\n\n" + kGlobal + "\"dinput8\"=\"native\"\n"),
         "dinput8", "native", "builtin", "native", false},
        {"starred only, CRLF", userReg(kGlobal + "\"*version\"=\"native,builtin\"\r\n"), "version", "native,builtin", kAbsent,
         "native,builtin", false},
        {"last of two", userReg(kGlobal + "\"dinput8\"=\"builtin\"\n\"dinput8\"=\"native\"\n"), "dinput8", "native", kAbsent,
         "native", false},
        {"escaped value, expandable text", userReg(kGlobal + "\"dinput8\"=str(2):\"n\\x2c b\"\n"), "dinput8", "n, b", kAbsent,
         "n, b", false},
        {"another program's section", userReg("[Software\\\\Wine\\\\AppDefaults\\\\other.exe\\\\DllOverrides] 1\n\"dinput8\"=\"n\"\n"),
         "dinput8", kAbsent, kAbsent, kAbsent, false},
        {"a damaged line elsewhere", userReg("[Software\\\\Other] 1\n\"x\"=\"never closed\n" + kGlobal + "\"dinput8\"=\"n\"\n"),
         "dinput8", "n", kAbsent, "n", false},
        {"no overrides", userReg("[Software\\\\Wine] 1\n\"Version\"=\"win10\"\n"), "dinput8", kAbsent, kAbsent, kAbsent, false},
        {"no header", kGlobal + "\"dinput8\"=\"n\"\n", "dinput8", kAbsent, kAbsent, kAbsent, true},
        {"empty", "", "dinput8", kAbsent, kAbsent, kAbsent, true},
        {"header never closed", userReg("[Software\\\\Wine\\\\DllOverrides 1\n"), "dinput8", kAbsent, kAbsent, kAbsent, true},
        {"value never closed", userReg(kGlobal + "\"dinput8\"=\"native\n"), "dinput8", kAbsent, kAbsent, kAbsent, true},
        {"not a text", userReg(kGlobal + "\"dinput8\"=dword:00000001\n"), "dinput8", kAbsent, kAbsent, kAbsent, true},
    };
    for (const auto& c : cases) {
        const WineDllOverrides read = readWineDllOverrides(c.reg, c.dll, "RDR2.exe");
        EXPECT_EQ(read.global, c.global) << c.what;
        EXPECT_EQ(read.program, c.program) << c.what;
        EXPECT_EQ(read.inEffect, c.inEffect) << c.what;
        EXPECT_EQ(!read.refusal.empty(), c.refused) << c.what << ": " << read.refusal;
    }
}

SteamUserConfig user(const std::string& id, const std::string& options) {
    return {id, localconfig("apps", "\"LaunchOptions\" \"" + options + "\"\n")};
}

TEST(ProtonOverride, JudgesEachUserWithThePrefix) {
    constexpr auto Loads = OverrideOutcome::LoadsFirst;
    constexpr auto Wine = OverrideOutcome::LeftToWine;
    constexpr auto Unknown = OverrideOutcome::Unknown;
    const std::string withOverride = "WINEDLLOVERRIDES=\\\"dinput8=n,b\\\" %command%";
    const std::string damaged = localconfig("apps", "\"LaunchOptions\" \"x\n");
    const struct {
        const char* what;
        std::vector<SteamUserConfig> users;
        Text reg;
        const char* loader;
        OverrideOutcome outcome;
        std::vector<OverrideOutcome> each;
        std::vector<std::string> leftToWine;
        std::size_t notes;
    } cases[] = {
        {"two users, one with the override", {user("111", withOverride), user("222", "-vulkan")}, kAbsent, "dinput8", Wine,
         {Loads, Wine}, {"222"}, 0},
        {"both with it", {user("111", withOverride), user("222", "DXVK_HUD=1 " + withOverride)}, kAbsent, "dinput8", Loads,
         {Loads, Loads}, {}, 0},
        {"in the prefix only", {user("111", ""), user("222", "-vulkan")}, userReg(kGlobal + "\"dinput8\"=\"native,builtin\"\n"),
         "dinput8", Loads, {Loads, Loads}, {}, 0},
        {"in AppDefaults only", {user("111", "")}, userReg(kProgram + "\"dinput8\"=\"n\"\n"), "dinput8", Loads, {Loads}, {}, 0},
        {"options overrule the prefix", {user("111", "WINEDLLOVERRIDES=dinput8=b %command%")},
         userReg(kGlobal + "\"dinput8\"=\"n,b\"\n"), "dinput8", Wine, {Wine}, {"111"}, 0},
        {"options for another DLL leave it to the prefix", {user("111", "WINEDLLOVERRIDES=d3d11=b %command%")},
         userReg(kGlobal + "\"dinput8\"=\"n,b\"\n"), "dinput8", Loads, {Loads}, {}, 0},
        {"a damaged localconfig is a note", {{"111", damaged}, user("222", withOverride)}, kAbsent, "dinput8", Unknown,
         {Unknown, Loads}, {}, 1},
        {"a damaged user.reg is a note", {user("111", ""), user("222", withOverride)}, std::string("garbage"), "dinput8",
         Unknown, {Unknown, Loads}, {}, 1},
        {"a loader named version.dll", {user("111", withOverride)}, userReg(kGlobal + "\"version\"=\"b\"\n"), "version.dll",
         Wine, {Wine}, {"111"}, 0},
        {"no users: the prefix alone", {}, userReg(kGlobal + "\"dinput8\"=\"n\"\n"), "dinput8", Loads, {}, {}, 0},
    };
    for (const auto& c : cases) {
        ProtonOverrideInput input;
        input.loaderDll = c.loader;
        input.appId = "1174180";
        input.users = c.users;
        input.userReg = c.reg;
        const ProtonOverrideVerdict verdict = judgeProtonOverride(input);
        EXPECT_EQ(verdict.outcome, c.outcome) << c.what;
        ASSERT_EQ(verdict.users.size(), c.each.size()) << c.what;
        for (std::size_t i = 0; i < c.each.size(); ++i) {
            const UserOverride& judged = verdict.users[i];
            EXPECT_EQ(judged.outcome, c.each[i]) << c.what << ", user " << judged.user;
            EXPECT_EQ(judged.note.empty(), judged.outcome != Unknown) << c.what << ", user " << judged.user;
            if (judged.outcome == Wine) {
                const std::string dll = overrideDllName(c.loader);
                EXPECT_TRUE(overrideLoadsNativeFirst(
                    modeInOverrideList(launchOptionsVariable(judged.suggestedOptions, "WINEDLLOVERRIDES").value.value_or(""), dll)))
                    << c.what << ": " << judged.suggestedOptions;
            }
        }
        EXPECT_EQ(verdict.usersLeftToWine(), c.leftToWine) << c.what;
        EXPECT_EQ(verdict.notes.size(), c.notes) << c.what;
    }
}

// Inside the game's prefix the Windows doctor gives the registry as Wine holds it, which goes
// before a user.reg not yet written, and its own WINEDLLOVERRIDES, which goes before the registry
// but after the launch options.
TEST(ProtonOverride, InTheGamesPrefixTheEnvironmentGoesBeforeTheRegistry) {
    constexpr auto Loads = OverrideOutcome::LoadsFirst;
    constexpr auto Wine = OverrideOutcome::LeftToWine;
    const Text staleFile = userReg(kGlobal + "\"dinput8\"=\"n,b\"\n");
    const struct {
        const char* what;
        std::vector<SteamUserConfig> users;
        Text registry;  // the override in effect in the running registry
        Text environment;
        OverrideOutcome outcome;
        bool byEnvironment;
    } cases[] = {
        {"the registry alone", {}, std::string("native,builtin"), kAbsent, Loads, false},
        {"the registry before a stale user.reg", {user("111", "")}, kAbsent, kAbsent, Wine, false},
        {"the environment alone", {user("111", "")}, kAbsent, std::string("mscoree=;dinput8=n,b"), Loads, true},
        {"the environment before the registry", {}, std::string("n,b"), std::string("dinput8=b"), Wine, true},
        {"an environment without the DLL leaves it to the registry", {}, std::string("n"), std::string("d3d11=b"),
         Loads, false},
        {"the launch options before the environment", {user("111", "WINEDLLOVERRIDES=dinput8=n %command%")}, kAbsent,
         std::string("dinput8=b"), Loads, true},
    };
    for (const auto& c : cases) {
        ProtonOverrideInput input;
        input.appId = "1174180";
        input.users = c.users;
        input.userReg = staleFile;
        WineDllOverrides running;
        running.inEffect = c.registry;
        input.registry = running;
        input.environment = c.environment;
        const ProtonOverrideVerdict verdict = judgeProtonOverride(input);
        EXPECT_EQ(verdict.outcome, c.outcome) << c.what;
        EXPECT_EQ(verdict.byEnvironment, c.byEnvironment) << c.what;
    }
}

}  // namespace
