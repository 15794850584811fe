// Every command the doctor suggests ("Fix: ... veltrane-doctor --install ...", "To write these
// lines ... veltrane-doctor --fix ..."), typed as a player types it at the command prompt where
// they ran the doctor, or, double-clicked, at a prompt in the doctor's folder as the guide
// says (split into words as cmd hands a command line to a program), does what the sentence
// before it says: its exit status, and the file it was to write. A form with a placeholder
// ("--game DIR") or the example folder (D:\Games\..., on Linux /path/to/...) is no command.
// This test's program sits in a folder of its own, the package beside it: the Veltrane.asi
// that --install copies.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "doctor/os/os.h"
#include "tests/support/doctor_run.h"
#include "tests/support/launcher_files.h"
#include "tests/support/pe_builder.h"

namespace {

namespace fs = std::filesystem;

// The words of a command line as a Windows program's runtime splits it: blanks part the words
// outside quotes; a quote opens or closes; backslashes are plain, but before a quote each two
// give one, and an odd one makes the quote plain.
std::vector<std::string> cmdWords(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, started = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        std::size_t slashes = 0;
        for (; i < line.size() && line[i] == '\\'; ++i) ++slashes;
        const bool quote = i < line.size() && line[i] == '"';
        word.append(quote ? slashes / 2 : slashes, '\\');
        started = started || slashes > 0 || quote;
        if (quote && slashes % 2 == 0) quoted = !quoted;
        else if (quote) word += '"';
        else if (i < line.size() && !quoted && (line[i] == ' ' || line[i] == '\t')) {
            if (started) words.push_back(word);
            word.clear(), started = false;
        } else if (i < line.size()) {
            word += line[i], started = true;
        }
    }
    if (started) words.push_back(word);
    return words;
}

// The commands suggested in `said`: "veltrane-doctor" and its options, each with a quoted value
// or none. A placeholder after them, or the example folder, makes a form, not a command.
std::vector<std::string> suggestedCommands(const std::string& said) {
    static const std::regex command(R"(veltrane-doctor((?: --[a-z-]+(?: "[^"]*")?)+)( DIR| PATH)?)");
    std::vector<std::string> commands;
    const std::string text = flat(said);
    for (std::sregex_iterator it(text.begin(), text.end(), command), end; it != end; ++it) {
        const bool form = (*it)[2].matched || it->str().find("D:\\Games\\Red Dead Redemption 2") != std::string::npos ||
                          it->str().find("/path/to/Red Dead Redemption 2") != std::string::npos;
        if (!form) commands.push_back("veltrane-doctor" + (*it)[1].str());
    }
    return commands;
}

// The value after `option`; with none, the path: the word after no option that takes one.
std::string valueOf(const std::vector<std::string>& words, const std::string& option) {
    for (std::size_t i = 1; i < words.size(); ++i) {
        const bool afterValued = words[i - 1] == "--game" || words[i - 1] == "--install";
        if (option.empty() ? words[i].rfind("--", 0) != 0 && !afterValued : words[i - 1] == option) return words[i];
    }
    return {};
}

// What each option promises: a word in what it says, and the file that then holds.
struct Promise {
    const char* option;
    const char* says;
    std::function<fs::path(const std::vector<std::string>&)> file;  // written by the command
};

const fs::path kNone;

const std::vector<Promise>& promises() {
    static const std::vector<Promise> table = {
        {"--install", "Wrote", [](const auto& w) { return fs::u8path(valueOf(w, "--install")) / "Veltrane.asi"; }},
        {"--write-defaults", "Wrote the default settings file",
         [](const auto& w) {
             const std::string game = valueOf(w, "--game");
             return game.empty() ? fs::u8path(valueOf(w, "")) : fs::u8path(game) / "Veltrane.ini";
         }},
        {"--fix", "Fixed", [](const auto& w) { return fs::u8path(valueOf(w, "") + ".bak"); }},
        {"--details", "Weather", [](const auto&) { return kNone; }},
        {"--game", "Game folder", [](const auto&) { return kNone; }},
    };
    return table;
}

// `words` typed at a prompt in `folder`; held for the golden file with the files of the
// scene's folder, the current one.
DoctorRun typedAt(const std::vector<std::string>& words, const fs::path& folder) {
    std::vector<const char*> argv;
    for (const std::string& word : words) argv.push_back(word.c_str());
    std::ostringstream out, err;
    const fs::path scene = fs::current_path();
    fs::current_path(folder);
    const int status = runDoctor(static_cast<int>(argv.size()), argv.data(), out, err);
    fs::current_path(scene);
    recordDoctorRun(words, nullptr, status, out.str(), err.str(), scene);
    return DoctorRun{status, out.str(), err.str()};
}

struct Scene {
    const char* name;
    std::function<void()> make;  // lays out the player's folder
    std::vector<std::string> args;
    const char* answers;                // double-clicked: the answers; null: from a prompt
    std::vector<std::string> suggests;  // the options of the commands it must suggest, in order
};

void gameFolder() { launcher_files::write("Game/RDR2.exe", "MZ"); }

#ifndef _WIN32
// Three Steam libraries, each holding the game, under the home's Steam.
void threeGames() {
    std::string list = "\"libraryfolders\"\n{\n";
    for (const char* name : {"0", "1", "2"}) {
        const fs::path library = fs::absolute("Libraries") / name;
        launcher_files::write(library / "steamapps" / "appmanifest_1174180.acf",
                              "\"AppState\" { \"appid\" \"1174180\" \"installdir\" \"RDR2\" }");
        launcher_files::write(library / "steamapps" / "common" / "RDR2" / "RDR2.exe", "MZ");
        list += std::string("\t\"") + name + "\" { \"path\" \"" + launcher_files::quotedPath(library) + "\" }\n";
    }
    launcher_files::write("home/.local/share/Steam/steamapps/libraryfolders.vdf", list + "}\n");
}
#endif

TEST_F(DoctorCli, EverySuggestedCommandDoesWhatItSays) {
    // The package: the Veltrane.asi --install copies, beside the doctor.
    const fs::path own = fs::u8path(programFolder()), package = own / "Veltrane.asi";
    pe_builder::Version version;
    version.texts.emplace_back("FileVersion", VELTRANE_TEST_VERSION);
    writeFile(package, pe_builder::buildDll(true, {}, pe_builder::kExports, 1, version));
    SettingsLines many = defaultSettingsLines();
    for (const char* weather : {"Rain", "Snow", "Fog"})
        many = replaced(many, std::string("Accuracy_") + weather + "=", std::string("Accuracy_") + weather + "=35%");
    many = replaced(replaced(replaced(many, "Enabled=", "Enabled=on"), "DamageMod_Hail=", "DamageMod_Hail=fifty"),
                    "[WeatherType_Thunderstorm]", "[WeatherType_Thunderstrom]");
    const std::string game = fs::absolute("Game").u8string();
    const std::vector<std::string> gameCommands{"--install", "--write-defaults", "--write-defaults"};
    const Scene scenes[] = {
        {"a value misread", [] { writeFile("Veltrane.ini", withRainDamage("0,5")); }, {"Veltrane.ini"}, nullptr,
         {"--fix"}},
        {"in another folder", [] { launcher_files::write("sub dir/Veltrane.ini", withRainDamage("0,5")); },
         {"sub dir/Veltrane.ini"}, nullptr, {"--fix"}},
        {"more warnings than the quiet report holds", [&] { writeFile("Veltrane.ini", joinLines(many)); },
         {"--quiet", "Veltrane.ini"}, nullptr, {"--details"}},
        {"no settings file", [] {}, {"Veltrane.ini"}, nullptr, {"--write-defaults"}},
        {"--fix without a file", [] {}, {"--fix", "Veltrane.ini"}, nullptr, {"--write-defaults", "--write-defaults"}},
        {"a game folder without the plugin or its file", gameFolder, {"--game", "Game"}, nullptr, gameCommands},
        {"the same, its folder given with a closing separator", gameFolder, {"--game", "Game/"}, nullptr, gameCommands},
        {"the same, dragged onto the doctor, declined", gameFolder, {"--game", game}, "n\n", gameCommands},
#ifndef _WIN32
        {"three games found", threeGames, {}, nullptr,
         {"--install", "--write-defaults", "--install", "--write-defaults", "--install", "--write-defaults", "--game"}},
        {"three games found, --write-defaults", threeGames, {"--write-defaults"}, nullptr,
         {"--install", "--write-defaults", "--install", "--write-defaults", "--install", "--write-defaults", "--game",
          "--write-defaults"}},
        // The install question says it writes Veltrane.ini too: the folder check's own command is left out.
        {"three games found, double-clicked, n n n", threeGames, {}, "n\nn\nn\n", {"--game"}},
#endif
    };
#ifndef _WIN32
    const launcher_files::HomeAt home(fs::absolute("home"));
#endif
    for (const Scene& scene : scenes) {
        for (const auto& entry : fs::directory_iterator(".")) fs::remove_all(entry.path());
        scene.make();
        const DoctorRun run = doctor(scene.args, scene.answers);
        const std::vector<std::string> commands = suggestedCommands(run.out + run.err);
        std::vector<std::string> options;
        for (const std::string& command : commands) {
            // Typed in the state in which it was suggested.
            for (const auto& entry : fs::directory_iterator(".")) fs::remove_all(entry.path());
            scene.make();
            const std::vector<std::string> words = cmdWords(command);

            const auto promise = std::find_if(promises().begin(), promises().end(), [&](const Promise& p) {
                return std::find(words.begin(), words.end(), p.option) != words.end();
            });
            ASSERT_NE(promise, promises().end()) << scene.name << ": " << command;
            options.push_back(promise->option);
            const fs::path file = promise->file(words);
            const DoctorRun typed = typedAt(words, scene.answers ? own : fs::current_path());
            const std::string what = std::string(scene.name) + ": " + command + "\n" + typed.out + typed.err;
            EXPECT_NE(typed.status, 2) << what;
            EXPECT_TRUE(contains(typed.out, promise->says)) << what;
            if (!file.empty()) {
                EXPECT_TRUE(fs::is_regular_file(file)) << what << "\n" << file;
            }
        }
        EXPECT_EQ(options, scene.suggests) << scene.name << "\n" << run.out << run.err;
    }
    fs::remove(package);
}

}  // namespace
