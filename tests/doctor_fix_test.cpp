// --fix over files as players write them: after one run the plugin's own reader gives what
// the player meant wherever that is certain, every value of theirs is kept, a choice is left
// standing with its warning, and a second --fix has nothing to write.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string_view>
#include <tuple>
#include <string>
#include <vector>

#include <random>
#include <utility>

#include "doctor/cli/doctor_cli.h"
#include "doctor/cli/settings_doctor.h"
#include "doctor/settings/settings_check.h"
#include "doctor/settings/settings_fix.h"
#include "doctor/settings/value_check.h"
#include "platform/profile_text.h"
#include "platform/windows_api.h"
#include "settings/ini_reader.h"
#include "settings/settings_file.h"
#include "settings/weather_table.h"
#include "tests/support/doctor_run.h"
#include "tests/support/random_settings.h"
#include "tests/support/settings_text.h"

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
        if (std::find(kept.begin(), kept.end(), weather.name) != kept.end()) appendWeather(lines, weather, "50", "2");
    }
    return lines;
}


// Files as players write them. For each: the first finding, a report that fits the screen,
// and after one --fix what the plugin reads, compared with what the player meant; a second
// --fix then has nothing to write.
TEST_F(DoctorCli, PlayerFilesAreFixedToWhatThePlayerMeant) {
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
TEST_F(DoctorCli, FixKeepsEveryValueOfThePlayersAndAppliesOnlyWhatIsCertain) {
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
    SettingsLines commented = defaults;
    for (std::string& line : commented)
        if (line.find('=') != std::string::npos) line += " # default";
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
        // The plugin reads through Wine's profile functions here, as the doctor shows: closing the
        // bracket would change what it reads, so it is a choice.
        {"a header without its ]", joinLines(replaced(defaults, "[Settings]", "[Settings")), {},
         "write [Settings] (as Windows reads it)", "--fix closes", {"Enabled=0: off"}, true, "[Settings\r", nullptr},
        {"worst first", joinLines(worstFirst), {"--quiet"}, "WeatherType_Thunderstrom", nullptr, {}, false, nullptr,
         nullptr},
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF" + joinLines(defaults), {},
         "On Windows the plugin would read Enabled missing", "switch is off", {"Enabled=1: on"}, false, nullptr,
         "\xEF\xBB\xBF"},
        {"a comment after every value, one read otherwise",
         joinLines(replaced(commented, "DamageMod_Rain=", "DamageMod_Rain=0,5  ; half")),
         {}, "DamageMod_Rain=0.5  ; half", nullptr, {"DamageMod_Rain=0.5"}, false, "DamageMod_Rain=0.5  ; half\r",
         "Accuracy_Sunny=12829\r"},
        {"NUL bytes before a header",
         joinLines(replaced(defaults, "[WeatherType_Rain]", std::string("\0\0[WeatherType_Rain]", 20))),
         {}, "2 NUL bytes", nullptr, {"Accuracy_Rain=12829"}, false, "\n[WeatherType_Rain]\r", nullptr},
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

        const SettingsCheck before = checkSettingsFile("Veltrane.ini", {}, gameReader());
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

// Over random player files with the mistakes players make, each weather labelled with what
// the player meant: after one --fix the plugin's own reader gives every value whose fix is
// certain, a weather whose mistake is a choice keeps a warning, and a second --fix has
// nothing to write. The share of files fixed whole is printed, for the record.
TEST_F(DoctorCli, FixGivesThePlayersMeaningInOneRun) {
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

std::string withLfEndings(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// --fix's changes, applied to the original in the order of the file, give the fixed file, so
// no byte outside their ranges moves. A replaced line's range is that line of the original
// without its ending, a moved line's the line with it; each change answers a certain warning
// with that warning's fix.
TEST_F(DoctorCli, FixChangesAreRangesOfTheOriginalFile) {
    const SettingsLines defaults = defaultSettingsLines();
    SettingsLines twoMoved = removed(removed(defaults, "[WeatherType_Rain]", 3), "[WeatherType_Fog]", 3);
    twoMoved.insert(twoMoved.begin() + static_cast<std::ptrdiff_t>(findLine(twoMoved, "DamageMod_Snow=")) + 1,
                    {"Accuracy_Rain=25", "Accuracy_Fog=30"});
    std::string noLastEnding = joinLines(removed(defaults, "Accuracy_Rain="));
    noLastEnding.resize(noLastEnding.size() - 2);
    std::vector<std::pair<std::string, std::string>> files = {
        {"keys moved into sections the file lacks, then their missing keys", joinLines(twoMoved)},
        {"no ending on the last line", noLastEnding},
        {"a byte-order mark and a fix on line 1", "\xEF\xBB\xBF" + joinLines(replaced(defaults, "[Settings]", "[Settings"))},
        {"two lines in one, and blank lines ending a section",
         joinLines(replaced(removed(defaults, "DamageMod_Rain="), "Accuracy_Rain=", "Accuracy_Rain=35 DamageMod_Rain=1")) +
             "\r\n\r\n"},
        {"LF endings and a key missing from the last section",
         withLfEndings(joinLines(removed(replaced(defaults, "Enabled=", "Enabled=on"), "DamageMod_Sunny=")))},
    };
    for (std::uint32_t seed = 1; seed <= 30; ++seed) {
        std::mt19937 rng(seed);
        files.emplace_back("random player file " + std::to_string(seed), playerFile(rng).text);
        // The same with comments, blanks around "=" and odd bytes (a tab, a NUL, Latin-1) after values.
        const char* const tails[] = {" ; mine", "\t# was 1", ";\xE9t\xE9", "  ; \0x", " #"};
        std::string text;
        std::istringstream in(files.back().second);
        for (std::string line; std::getline(in, line);) {
            const bool cr = !line.empty() && line.back() == '\r';
            if (cr) line.pop_back();
            const std::size_t equals = line.find('=');
            if (equals != std::string::npos && rng() % 2 == 0) {
                line.insert(equals + 1, rng() % 2 ? "  " : "\t");
                line.insert(equals, " ");
                line += std::string(tails[rng() % std::size(tails)]);
            }
            text += line + (cr ? "\r\n" : "\n");
        }
        files.emplace_back("random player file with comments " + std::to_string(seed), text);
    }
    for (const auto& [what, original] : files) {
        writeFile("Veltrane.ini", original);
        const FixedFile fixed = fixSettings(original, checkSettingsFile("Veltrane.ini"));
        EXPECT_FALSE(fixed.changes.empty()) << what;
        std::vector<FixChange> inFileOrder = fixed.changes;
        std::stable_sort(inFileOrder.begin(), inFileOrder.end(), [](const FixChange& a, const FixChange& b) {
            return std::tie(a.from, a.to, a.order) < std::tie(b.from, b.to, b.order);
        });
        const std::size_t mark = original.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
        const std::vector<profile_text::TextLine> lines = profile_text::splitLines(std::string_view(original).substr(mark));
        std::string applied;
        std::size_t kept = 0;  // the original's bytes up to here are in `applied` or replaced
        for (const FixChange& change : inFileOrder) {
            ASSERT_LE(kept, change.from) << what << ": changes overlap";
            ASSERT_LE(change.from, change.to) << what;
            ASSERT_LE(change.to, original.size()) << what;
            applied += original.substr(kept, change.from - kept) + change.bytes;
            kept = change.to;
            EXPECT_EQ(change.fix, fixOf(change.answers)) << what;
            EXPECT_TRUE(change.answers.certain) << what;
            if ((change.from == change.to && !change.bytes.empty() && change.fix != Fix::ReplaceLine) ||
                change.fix == Fix::RemoveByteOrderMark)
                continue;
            ASSERT_LT(change.answers.line - 1, lines.size()) << what;
            const profile_text::TextLine& line = lines[change.answers.line - 1];
            const std::size_t start = mark + line.start, end = start + line.length;
            if (change.fix == Fix::MoveLine) {
                EXPECT_EQ(change.from, start) << what << ", line " << change.answers.line;
                EXPECT_EQ(change.to, end + line.ending.size()) << what << ", line " << change.answers.line;
                continue;
            }
            // A replaced line keeps its ending and every byte that stays; a value's fix touches
            // only the value's bytes: never the key, the blanks around the value or a comment.
            const std::string_view text = std::string_view(original).substr(start, line.length);
            std::size_t from = 0, to = text.size();
            const std::string& written = change.answers.writeInstead;
            const std::string_view key = profile_text::trim(text.substr(0, text.find('=')));
            if (text.find('=') != text.npos && written.find('\n') == written.npos &&
                profile_text::sameName(key, written.substr(0, written.find('=')))) {
                from = text.find('=') + 1;
                to = std::min(text.find_first_of(";#", from), text.size());
                while (from < to && profile_text::isBlank(text[from])) ++from;
                while (to > from && profile_text::isBlank(text[to - 1])) --to;
            }
            EXPECT_GE(change.from, start + from) << what << ", line " << change.answers.line << ": " << text;
            EXPECT_LE(change.to, start + to) << what << ", line " << change.answers.line << ": " << text;
        }
        applied += original.substr(kept);
        EXPECT_EQ(applied, fixed.bytes) << what;
    }
}

// --fix adds a missing key where the native stand-in for the profile functions writes one (as
// Wine does): after the section's last key, before the lines that end it without one, with the
// file's own line ending.
TEST_F(DoctorCli, FixAddsAKeyWhereTheProfileFunctionsWriteIt) {
#ifdef _WIN32
    GTEST_SKIP() << "kernel32 writes the file anew";
#endif
    const SettingsLines defaults = removed(defaultSettingsLines(), "DamageMod_Rain=");
    const std::size_t rainEnd = findLine(defaults, "[WeatherType_Sandstorm]");
    auto beforeSandstorm = [&](const SettingsLines& more) {
        SettingsLines lines = defaults;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(rainEnd), more.begin(), more.end());
        return joinLines(lines);
    };
    std::string lastLine = joinLines(removed(defaultSettingsLines(), "DamageMod_Sunny="));
    lastLine.resize(lastLine.size() - 2);
    const std::pair<const char*, std::string> files[] = {
        {"blank lines end the section", beforeSandstorm({"", "   "})},
        {"a comment ends the section", beforeSandstorm({"; rain is wet", ""})},
        {"a vertical tab and a form feed on lines of their own", beforeSandstorm({"\v", " \f "})},
        {"LF endings", withLfEndings(beforeSandstorm({""}))},
        {"the last section, its last line without an ending", lastLine},
        {"the last section, then a blank line without an ending", lastLine + "\r\n  "},
    };
    for (const auto& [what, original] : files) {
        writeFile("Veltrane.ini", original);
        const SettingsCheck check = checkSettingsFile("Veltrane.ini");
        ASSERT_EQ(check.warnings.size(), 1u) << what;
        const Warning& missing = check.warnings.front();
        const FixedFile fixed = fixSettings(original, check);
        const std::string value = missing.writeInstead.substr(missing.writeInstead.find('=') + 1);
        ASSERT_NE(WritePrivateProfileStringA(missing.section.c_str(), missing.key.c_str(), value.c_str(),
                                             "./Veltrane.ini"), 0) << what;
        EXPECT_EQ(fixed.bytes, readFile("Veltrane.ini")) << what;
    }
}

}  // namespace

namespace {

// Each kind of finding that the table marks as one --fix may be certain of, with a file that
// gives one: after --fix the plugin's own reader gives the values `after` names, and every
// other key reads as before. A kind marked certain without a row here fails the test.
TEST_F(DoctorCli, CertainFixChangesOnlyTheValuesItNames) {
    const SettingsLines defaults = defaultSettingsLines();
    const auto with = [&](const char* start, const std::string& by) { return joinLines(replaced(defaults, start, by)); };
    SettingsLines underSnow = removed(defaults, "Accuracy_Rain=");
    underSnow.insert(underSnow.begin() + static_cast<std::ptrdiff_t>(findLine(underSnow, "DamageMod_Snow=")),
                     "Accuracy_Rain=25");
    struct Row {
        WarningKind kind;
        std::string file;
        std::vector<std::string> after;  // as the plugin reads them
    };
    const Row rows[] = {
        {WarningKind::MissingKey, joinLines(removed(defaults, "DamageMod_Rain=")), {"DamageMod_Rain=1"}},
        {WarningKind::EmptyValue, with("Enabled=", "Enabled="), {"Enabled=1: on"}},
        {WarningKind::NotANumber, with("DamageMod_Rain=", "DamageMod_Rain=x2"), {"DamageMod_Rain=2"}},
        {WarningKind::CommaDecimal, with("DamageMod_Rain=", "DamageMod_Rain=0,5"), {"DamageMod_Rain=0.5"}},
        {WarningKind::TrailingText, with("DamageMod_Rain=", "DamageMod_Rain=1.5x"), {"DamageMod_Rain=1.5"}},
        {WarningKind::ExponentWithoutDigits, with("DamageMod_Rain=", "DamageMod_Rain=1.5e"), {"DamageMod_Rain=1.5"}},
        {WarningKind::Fraction, with("DamageMod_Rain=", "DamageMod_Rain=1/2"), {"DamageMod_Rain=0.5"}},
        {WarningKind::WordsForSwitch, with("Enabled=", "Enabled=true"), {"Enabled=1: on"}},
        {WarningKind::Hex, with("Accuracy_Rain=", "Accuracy_Rain=0x20"), {"Accuracy_Rain=32"}},
        {WarningKind::MisspeltName, with("[WeatherType_Thunderstorm]", "[WeatherType_Thunderstrom]"),
         {"Accuracy_Thunderstorm=12829", "DamageMod_Thunderstorm=1"}},
        {WarningKind::KeyInOtherSection, joinLines(underSnow), {"Accuracy_Rain=25"}},
        {WarningKind::Utf8MarkBeforeSection, "\xEF\xBB\xBF" + joinLines(defaults), {"Enabled=1: on"}},
        {WarningKind::HeaderWithoutClose, with("[Settings]", "[Settings"), {"Enabled=1: on"}},
        {WarningKind::HeaderWithExtraClose, with("[Settings]", "[Settings]x]"), {"Enabled=1: on"}},
        {WarningKind::Percent, with("DamageMod_Rain=", "DamageMod_Rain=150%"), {"DamageMod_Rain=1.5"}},
        {WarningKind::ThousandsSeparator, with("Accuracy_Rain=", "Accuracy_Rain=12,829"), {"Accuracy_Rain=12829"}},
        {WarningKind::NumberInWords, with("DamageMod_Rain=", "DamageMod_Rain=half"), {"DamageMod_Rain=0.5"}},
        {WarningKind::StrayCharacters, with("Accuracy_Rain=", "Accuracy_Rain=\xEF\xBC\x93\xEF\xBC\x95"),
         {"Accuracy_Rain=35"}},
        {WarningKind::NearMissName, with("Accuracy_Rain=", "Accuracy=35"), {"Accuracy_Rain=35"}},
        {WarningKind::TwoLinesInOne,
         joinLines(removed(replaced(defaults, "Accuracy_Rain=", "Accuracy_Rain=35 DamageMod_Rain=0.5"), "DamageMod_Rain=")),
         {"Accuracy_Rain=35", "DamageMod_Rain=0.5"}},
        {WarningKind::NulBytes, with("[WeatherType_Rain]", std::string("\0\0[WeatherType_Rain]", 20)),
         {"Accuracy_Rain=12829", "DamageMod_Rain=1"}},
    };
#define VELTRANE_KIND_LISTED(kind, harm, remedy, words) WarningKind::kind,
    for (const WarningKind kind : {VELTRANE_FINDING_KINDS(VELTRANE_KIND_LISTED)}) {
        const bool listed = std::any_of(std::begin(rows), std::end(rows), [&](const Row& r) { return r.kind == kind; });
        EXPECT_EQ(listed, canBeCertain(kind)) << warningKindName(kind);
    }
#undef VELTRANE_KIND_LISTED
    std::vector<std::string> keys{kEnabledKey};
    for (const WeatherEntry& weather : weatherTable) keys.insert(keys.end(), {weather.accuracyKey, weather.damageModKey});
    for (const Row& row : rows) {
        const std::string what = warningKindName(row.kind);
        for (const auto& entry : std::filesystem::directory_iterator(".")) std::filesystem::remove(entry.path());
        writeFile("Veltrane.ini", row.file);
        // The row's kind is certain here; a fix is certain only for a kind the table marks so.
        const SettingsCheck check = checkSettingsFile("Veltrane.ini", {}, gameReader());
        bool found = false;
        for (const Warning& warning : allWarnings(check)) {
            if (fixOf(warning) == Fix::None) continue;
            found = found || warning.kind == row.kind;
            EXPECT_TRUE(canBeCertain(warning.kind, gameReader())) << what << ": " << warning.explanation;
        }
        // Where the game runs on Wine, a header Windows and Wine read apart is the player's
        // choice: then --fix changes nothing the plugin reads.
        EXPECT_EQ(found, canBeCertain(row.kind, gameReader())) << what;
        std::vector<std::string> before;
        for (const std::string& key : keys) before.push_back(pluginReads("Veltrane.ini", key));
        const DoctorRun fixed = doctor({"--fix", "Veltrane.ini"});
        EXPECT_EQ(contains(fixed.out, "Fixed"), found) << what << "\n" << fixed.out << fixed.err;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const auto named = std::find_if(row.after.begin(), row.after.end(), [&](const std::string& read) {
                return read.rfind(keys[i] + "=", 0) == 0;
            });
            const bool changes = found && named != row.after.end();
            EXPECT_EQ(pluginReads("Veltrane.ini", keys[i]), changes ? *named : before[i]) << what;
        }
    }
}

}  // namespace
