// The doctor's checks of a settings file: every place where the stored text and the value the
// plugin reads part ways is found, on its line, and the line it suggests makes them agree.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <filesystem>
#include <string>

#include "doctor/settings/settings_check.h"
#include "doctor/settings/settings_fix.h"
#include "tests/support/doctor_entries.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/settings_text.h"

namespace {

class DoctorCheck : public ::testing::Test {
protected:
    ScratchDir scratch;

    // Checks the default file with the line that starts with `start` replaced (removed when
    // `replacement` is empty). Returns the check and sets `line` to the line's number.
    SettingsCheck checkWith(const std::string& start, const std::string& replacement, std::size_t* line = nullptr) {
        lines = defaultSettingsLines();
        const std::size_t at = findLine(lines, start);
        EXPECT_LT(at, lines.size()) << start;
        if (replacement.empty()) lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
        else lines[at] = replacement;
        if (line) *line = at + 1;
        writeFile("Veltrane.ini", joinLines(lines));
        return checkSettingsFile("Veltrane.ini");
    }

    // Writes `fix` over line `line` and checks again.
    SettingsCheck checkFixed(std::size_t line, const std::string& fix) {
        lines[line - 1] = fix;
        writeFile("Veltrane.ini", joinLines(lines));
        return checkSettingsFile("Veltrane.ini");
    }

    SettingsLines lines;
};

std::string kinds(const SettingsCheck& check) {
    std::string out;
    for (const Warning& w : check.warnings) out += std::string(warningKindName(w.kind)) + " ";
    return out;
}

// The first warning of `kind`; null when there is none.
const Warning* firstOfKind(const SettingsCheck& check, WarningKind kind) {
    const auto found = std::find_if(check.warnings.begin(), check.warnings.end(),
                                    [&](const Warning& w) { return w.kind == kind; });
    return found == check.warnings.end() ? nullptr : &*found;
}

struct TextCase {
    const char* key;
    std::string text;
    WarningKind kind;
    const char* writeInstead;
};

TEST_F(DoctorCheck, FindsEveryTextThatReadsOtherwiseThanItLooks) {
    const TextCase cases[] = {
        {"DamageMod_Rain", "0,5", WarningKind::CommaDecimal, "DamageMod_Rain=0.5"},
        {"DamageMod_Rain", "1,25", WarningKind::CommaDecimal, "DamageMod_Rain=1.25"},
        {"DamageMod_Rain", ",5", WarningKind::CommaDecimal, "DamageMod_Rain=0.5"},
        {"Accuracy_Rain", "12,5", WarningKind::Fraction, ""},
        {"Accuracy_Rain", "50abc", WarningKind::TrailingText, "Accuracy_Rain=50"},
        {"DamageMod_Rain", "1.5x", WarningKind::TrailingText, "DamageMod_Rain=1.5"},
        {"DamageMod_Rain", "1.5.5", WarningKind::TrailingText, ""},  // the rest holds digits: a choice
        {"Enabled", "1 please", WarningKind::TrailingText, "Enabled=1"},
        {"DamageMod_Rain", "1.5e", WarningKind::ExponentWithoutDigits, "DamageMod_Rain=1.5"},
        {"DamageMod_Rain", "2e+", WarningKind::ExponentWithoutDigits, "DamageMod_Rain=2"},
        {"DamageMod_Rain", "3E-x", WarningKind::ExponentWithoutDigits, "DamageMod_Rain=3"},
        // Beyond what is read, no text reads as the value written: a choice.
        {"Accuracy_Rain", "2147483648", WarningKind::IntBeyondRange, ""},
        {"Accuracy_Rain", "-2147483649", WarningKind::IntBeyondRange, ""},
        {"Accuracy_Rain", "99999999999999999999", WarningKind::IntBeyondRange, ""},
        {"Accuracy_Rain", "12.9", WarningKind::Fraction, ""},
        {"Accuracy_Rain", ".5", WarningKind::Fraction, ""},
        {"Accuracy_Fog", "0.35", WarningKind::Fraction, ""},
        {"Enabled", "0.5", WarningKind::Fraction, ""},
        {"Enabled", "true", WarningKind::WordsForSwitch, "Enabled=1"},
        {"Enabled", "on", WarningKind::WordsForSwitch, "Enabled=1"},
        {"Enabled", "Yes", WarningKind::WordsForSwitch, "Enabled=1"},
        {"Enabled", "off", WarningKind::WordsForSwitch, "Enabled=0"},
        {"Accuracy_Rain", "0x20", WarningKind::Hex, "Accuracy_Rain=32"},
        {"Accuracy_Rain", "-0x20", WarningKind::Hex, ""},  // -32 is never applied: a choice
        {"Enabled", "0x1", WarningKind::Hex, "Enabled=1"},
        {"DamageMod_Rain", "0x10", WarningKind::Hex, ""},  // 16 times the damage: a choice
        {"DamageMod_Rain", "0x2", WarningKind::Hex, "DamageMod_Rain=2"},
        {"DamageMod_Rain", "1e39", WarningKind::FloatTooLarge, ""},
        {"DamageMod_Rain", "-1e39", WarningKind::FloatTooLarge, ""},
        {"DamageMod_Rain", "1e-50", WarningKind::FloatTooSmall, ""},
        {"Accuracy_Rain", "abc", WarningKind::NotANumber, ""},
        {"DamageMod_Rain", "inf", WarningKind::NotANumber, ""},
        {"DamageMod_Rain", "nan", WarningKind::NotANumber, ""},
        {"Enabled", "maybe", WarningKind::WordsForSwitch, ""},
        // The text shows a meaning the plugin does not read: the fix writes that meaning.
        {"DamageMod_Rain", "150%", WarningKind::Percent, "DamageMod_Rain=1.5"},
        {"DamageMod_Rain", "80 %", WarningKind::Percent, "DamageMod_Rain=0.8"},
        {"Accuracy_Rain", "35%", WarningKind::Percent, "Accuracy_Rain=35"},
        {"Accuracy_Rain", "12,829", WarningKind::ThousandsSeparator, "Accuracy_Rain=12829"},
        {"DamageMod_Rain", "1,500", WarningKind::ThousandsSeparator, ""},
        {"Accuracy_Rain", "fifty", WarningKind::NumberInWords, "Accuracy_Rain=50"},
        {"Accuracy_Rain", "twenty-five", WarningKind::NumberInWords, "Accuracy_Rain=25"},
        {"DamageMod_Rain", "half", WarningKind::NumberInWords, "DamageMod_Rain=0.5"},
        {"DamageMod_Rain", "x2", WarningKind::NotANumber, "DamageMod_Rain=2"},
        {"Accuracy_Rain", "\xE2\x80\x9C" "35\xE2\x80\x9D", WarningKind::StrayCharacters, "Accuracy_Rain=35"},
        {"DamageMod_Rain", "\xC2\xA0" "0.5", WarningKind::StrayCharacters, "DamageMod_Rain=0.5"},
        {"DamageMod_Rain", "\x93" "0,5\x94", WarningKind::StrayCharacters, "DamageMod_Rain=0.5"},
        // Empty reads as 0: the default (12829, so 62 or so) or 0 is the player's choice.
        {"Accuracy_Rain", "", WarningKind::EmptyValue, ""},
        {"DamageMod_Rain", "", WarningKind::EmptyValue, ""},
        // A comment after a value that reads otherwise stays, with its spacing.
        {"DamageMod_Rain", "0,5 ; half", WarningKind::CommaDecimal, "DamageMod_Rain=0.5 ; half"},
        {"DamageMod_Rain", "1.5e  # x", WarningKind::ExponentWithoutDigits, "DamageMod_Rain=1.5  # x"},
        {"DamageMod_Rain", "50% // half", WarningKind::Percent, "DamageMod_Rain=0.5 // half"},
        // Quotes followed by a comment are read as part of the value: it reads as 0.
        {"Accuracy_Rain", "\"35\" ; rain", WarningKind::StrayCharacters, "Accuracy_Rain=35 ; rain"},
        {"Accuracy_Rain", "'50abc';x", WarningKind::StrayCharacters, "Accuracy_Rain=50;x"},
        {"Enabled", "", WarningKind::EmptyValue, "Enabled=1"},
        {"Accuracy_Rain", "5" + std::string(299, '0'), WarningKind::ValueCut, ""},
        {"DamageMod_Rain", "0." + std::string(254, '0') + "5", WarningKind::ValueCut, ""},
        {"Enabled", std::string(255, '0') + "1", WarningKind::ValueCut, ""},
        // A person reads these one way only, and the fixed text reads as exactly that.
        {"DamageMod_Rain", "1/2", WarningKind::Fraction, "DamageMod_Rain=0.5"},
        {"Accuracy_Rain", "100/2", WarningKind::Fraction, "Accuracy_Rain=50"},
        {"Accuracy_Rain", "1/3", WarningKind::Fraction, ""},
        {"DamageMod_Rain", "50 percent", WarningKind::Percent, "DamageMod_Rain=0.5"},
        {"DamageMod_Rain", "80 Per Cent", WarningKind::Percent, "DamageMod_Rain=0.8"},
        {"Accuracy_Rain", "\xEF\xBC\x93\xEF\xBC\x95", WarningKind::StrayCharacters, "Accuracy_Rain=35"},
        {"DamageMod_Rain", "\xEF\xBC\x90\xEF\xBC\x8E\xEF\xBC\x95", WarningKind::StrayCharacters, "DamageMod_Rain=0.5"},
        {"Accuracy_Rain", "5e1", WarningKind::TrailingText, "Accuracy_Rain=50"},
        // A person reads 1000, which is never applied: a choice, and never the 1 read now.
        {"Accuracy_Rain", "1e3", WarningKind::TrailingText, ""},
        {"Accuracy_Rain", "35 45", WarningKind::TrailingText, ""},
    };
    for (const TextCase& c : cases) {
        std::size_t line = 0;
        const SettingsCheck check = checkWith(std::string(c.key) + "=", std::string(c.key) + "=" + c.text, &line);
        const std::string what = std::string(c.key) + "=" + c.text.substr(0, 40);
        ASSERT_EQ(check.warnings.size(), 1u) << what << ": " << kinds(check);
        const Warning& warning = check.warnings.front();
        EXPECT_EQ(warningKindName(warning.kind), std::string(warningKindName(c.kind))) << what;
        EXPECT_EQ(warning.writeInstead, c.writeInstead) << what;
        EXPECT_EQ(warning.line, line) << what;
        EXPECT_EQ(warning.key, c.key) << what;
        EXPECT_FALSE(warning.explanation.empty()) << what;
        // No certain fix: the player is offered choices, and --fix leaves the line.
        EXPECT_EQ(warning.certain, !warning.writeInstead.empty()) << what;
        EXPECT_EQ(warning.choices.empty(), warning.certain) << what;
        EXPECT_EQ(fixOf(warning) == Fix::None, !warning.certain) << what;

        // What the fix (or the first choice) writes reads as written; it may still be a value
        // worth a caution.
        const std::string chosen = warning.certain ? warning.writeInstead
                                                   : warning.choices.front().substr(0, warning.choices.front().find(" ("));
        const SettingsCheck fixed = checkFixed(line, chosen);
        for (const Warning& left : fixed.warnings)
            EXPECT_TRUE(isCaution(left.kind)) << what << " still warns after the fix: " << kinds(fixed);
    }
}

TEST_F(DoctorCheck, TextThatReadsAsItLooksGivesNoWarning) {
    const std::pair<const char*, const char*> cases[] = {
        {"Accuracy_Rain", "50"},      {"Accuracy_Rain", "+7"},          {"Accuracy_Rain", "010"},
        {"Accuracy_Rain", "  42"},
        {"Accuracy_Rain", "100"},     {"Accuracy_Rain", "0"},
        {"DamageMod_Rain", "2e-1"},    {"DamageMod_Rain", "0.1234567"},
        {"DamageMod_Rain", "1e+01"},  {"DamageMod_Rain", ".5"},         {"DamageMod_Rain", "5."},
        {"Enabled", "0"},             {"Enabled", "2"},
        // A comment after a value read as written is no mistake.
        {"DamageMod_Rain", "0.5 ; half"}, {"Accuracy_Rain", "12829 # default"}, {"Accuracy_Rain", "35;rain"},
        {"Enabled", "1\t; on"},       {"DamageMod_Rain", "\"0.5\""},  {"DamageMod_Rain", "0.5 // half"},
        {"Accuracy_Rain", "35//rain"},
        {"Enabled", "-1"},            {"Enabled", "99999999999"},
    };
    for (const auto& [key, text] : cases) {
        const SettingsCheck check = checkWith(std::string(key) + "=", std::string(key) + "=" + text);
        EXPECT_TRUE(check.warnings.empty()) << key << "=" << text << ": " << kinds(check);
    }
}

// The fix puts back the default file's line; until then the caller's default applies.
TEST_F(DoctorCheck, MissingKeyWarnsThatTheCallersDefaultApplies) {
    const std::pair<const char*, const char*> cases[] = {
        {"Enabled", "switch is off"}, {"Accuracy_Rain", "accuracy 0"}, {"DamageMod_Rain", "damage modifier 0.0"}};
    for (const auto& [key, explains] : cases) {
        const std::string start = std::string(key) + "=";
        const SettingsCheck check = checkWith(start, "");
        ASSERT_EQ(check.warnings.size(), 1u) << key << ": " << kinds(check);
        EXPECT_EQ(check.warnings[0].kind, WarningKind::MissingKey);
        EXPECT_EQ(check.warnings[0].writeInstead, defaultSettingsLines()[findLine(defaultSettingsLines(), start)]);
        EXPECT_NE(check.warnings[0].explanation.find(explains), std::string::npos) << check.warnings[0].explanation;
        const SettingsEntry& entry = entryFor(check, key);
        EXPECT_FALSE(entry.storedText.has_value());
        EXPECT_EQ(entry.accuracy, 0);
        EXPECT_EQ(entry.damageModifier, 0.0f);
        EXPECT_FALSE(entry.switchOn);
    }
}

TEST_F(DoctorCheck, FindsNamesThatDifferFromKnownOnesOnlyInSpelling) {
    struct Case {
        const char* start;
        std::string replacement;
        WarningKind kind;
        const char* writeInstead;
        std::size_t missingKeys;  // keys missing beside it: those a misspelling hides are misnamed, not missing
    };
    const Case cases[] = {
        {"[WeatherType_Thunderstorm]", "[WeatherType_Thunderstrom]", WarningKind::MisspeltName,
         "[WeatherType_Thunderstorm]", 0},
        {"[WeatherType_Rain]", "[WeatherType_ Rain]", WarningKind::MisspeltName, "[WeatherType_Rain]", 0},
        {"[Settings]", "[Setting]", WarningKind::MisspeltName, "[Settings]", 0},
        {"Accuracy_Clouds=", "Acuracy_Clouds=40", WarningKind::MisspeltName, "Accuracy_Clouds=40", 0},
        {"DamageMod_Snowlight=", "DamageMod_Snowligth=2", WarningKind::MisspeltName, "DamageMod_Snowlight=2", 0},
        {"Enabled=", "Enable=1", WarningKind::MisspeltName, "Enabled=1", 0},
        // Rain's key where Snow's own is missing: meant as either, so no default beside it.
        {"Accuracy_Snow=", "Accuracy_Rain=50", WarningKind::KeyInOtherSection, "", 0},
        // NUL bytes before a name, which no editor shows: named on their own line, removed by the fix.
        {"[WeatherType_Rain]", std::string("\0\0[WeatherType_Rain]", 20), WarningKind::NulBytes, "[WeatherType_Rain]",
         0},
        {"Accuracy_Rain=", std::string("\0Accuracy_Rain=35", 17), WarningKind::NulBytes, "Accuracy_Rain=35", 0},
    };
    for (const Case& c : cases) {
        std::size_t line = 0;
        const SettingsCheck check = checkWith(c.start, c.replacement, &line);
        const Warning* found = firstOfKind(check, c.kind);
        ASSERT_NE(found, nullptr) << c.replacement << ": " << kinds(check);
        EXPECT_EQ(found->writeInstead, c.writeInstead) << c.replacement;
        EXPECT_EQ(found->line, line) << c.replacement;
        EXPECT_EQ(check.warnings.size(), 1 + c.missingKeys) << c.replacement << ": " << kinds(check);

        if (c.kind == WarningKind::MisspeltName || c.kind == WarningKind::NulBytes) {
            const SettingsCheck fixed = checkFixed(line, found->writeInstead);
            EXPECT_TRUE(fixed.warnings.empty()) << c.replacement << ": " << kinds(fixed);
        }
    }
}

TEST_F(DoctorCheck, LeavesAloneNamesThePluginFindsOrNeverLooksFor) {
    const std::pair<const char*, const char*> cases[] = {
        {"[WeatherType_Rain]", "[weathertype_rain]"},  // names compare without regard to case
        {"Accuracy_Rain=", "ACCURACY_RAIN=12829"},
        {"Enabled=", "Enabled=1\r\n; Enabled is the switch"},
        {"Enabled=", "Enabled=1\r\n[MyNotes]"},
    };
    for (const auto& [start, replacement] : cases) {
        const SettingsCheck check = checkWith(start, replacement);
        EXPECT_TRUE(check.warnings.empty()) << replacement << ": " << kinds(check);
    }
}

TEST_F(DoctorCheck, FileStatesDecideTheExitStatus) {
    SettingsCheck missing = checkSettingsFile("Veltrane.ini");
    EXPECT_EQ(missing.state, FileState::Missing);
    ASSERT_EQ(missing.warnings.size(), 1u);
    EXPECT_EQ(missing.warnings[0].kind, WarningKind::FileMissing);
    EXPECT_EQ(exitStatus(missing), 1);
    EXPECT_FALSE(std::filesystem::exists("Veltrane.ini"));

    writeFile("Veltrane.ini", joinLines(defaultSettingsLines()));
    const SettingsCheck clean = checkSettingsFile("Veltrane.ini");
    EXPECT_EQ(clean.entries.size(), 1 + 2 * weatherTable.size());
    EXPECT_EQ(exitStatus(clean), 0);

    std::filesystem::remove("Veltrane.ini");
    std::filesystem::create_directory("Veltrane.ini");
    const SettingsCheck folder = checkSettingsFile("Veltrane.ini");
    EXPECT_EQ(folder.state, FileState::Folder);
    EXPECT_EQ(exitStatus(folder), 2);
#ifndef _WIN32
    // A pipe of that name is no file to read: told at once, never waited on for a writer.
    std::filesystem::remove("Veltrane.ini");
    ASSERT_EQ(::mkfifo("Veltrane.ini", 0600), 0);
    const SettingsCheck pipe = checkSettingsFile("Veltrane.ini");
    EXPECT_EQ(pipe.state, FileState::Unreadable);
    EXPECT_EQ(exitStatus(pipe), 2);
#endif
}

// The player's edits in a file beside the plugin's whose name stands for it (Notepad's
// "Veltrane.ini.txt"): the plugin reads the default, the edits do nothing.
TEST_F(DoctorCheck, EditsInAFileOfANearNameAreNamed) {
    const SettingsLines defaults = defaultSettingsLines();
    const auto with = [&](const std::string& start, const std::string& line) {
        SettingsLines changed = defaults;
        changed[findLine(changed, start)] = line;
        return joinLines(changed);
    };
    const std::string edited = with("Accuracy_Rain=", "Accuracy_Rain=35");
    const struct {
        const char* name;
        std::string content;
        const char* told;  // null: no warning
    } cases[] = {
        {"Veltrane.ini.txt", edited, "Accuracy_Rain=35 (here 12829)"},
        {"Veltrane (1).ini", with("DamageMod_Rain=", "DamageMod_Rain=0.5"), "(here 1)"},
        {"Veltrane.ini.txt", joinLines(defaults), nullptr},  // a copy: no edits lost
        {"Veltrane.ini.bak", edited, nullptr},
        {"Notes.txt", edited, nullptr},
    };
    for (const auto& c : cases) {
        for (const auto& entry : std::filesystem::directory_iterator(".")) std::filesystem::remove(entry.path());
        writeFile("Veltrane.ini", joinLines(defaults));
        writeFile(c.name, c.content);
        const SettingsCheck check = checkSettingsFile("Veltrane.ini");
        EXPECT_EQ(exitStatus(check), c.told ? 1 : 0) << c.name << ": " << kinds(check);
        if (!c.told) continue;
        ASSERT_EQ(check.warnings.size(), 1u) << c.name << ": " << kinds(check);
        EXPECT_EQ(check.warnings[0].kind, WarningKind::EditsInNearName) << c.name;
        for (const std::string& said : {std::string(c.told), std::string(c.name), std::string("reads only Velt")})
            EXPECT_NE(check.warnings[0].explanation.find(said), std::string::npos) << check.warnings[0].explanation;
    }
}

TEST_F(DoctorCheck, CautionsForValuesReadAsWrittenButProbablyNotMeant) {
    const std::pair<std::string, WarningKind> cases[] = {
        {"Accuracy_Rain=101", WarningKind::AccuracyNeverApplied},
        {"Accuracy_Rain=-1", WarningKind::AccuracyNeverApplied},
        {"Accuracy_Rain=12830", WarningKind::AccuracyNeverApplied},
        {"DamageMod_Rain=0", WarningKind::NoDamage},
        {"DamageMod_Rain=-0.0", WarningKind::NoDamage},
        {"DamageMod_Rain=-0.25", WarningKind::NegativeDamage},
        {"DamageMod_Rain=150", WarningKind::HugeDamage},
    };
    for (const auto& [line, kind] : cases) {
        std::size_t at = 0;
        const SettingsCheck check = checkWith(line.substr(0, line.find('=') + 1), line, &at);
        ASSERT_EQ(check.warnings.size(), 1u) << line << ": " << kinds(check);
        EXPECT_EQ(check.warnings[0].kind, kind) << line;
        EXPECT_EQ(check.warnings[0].line, at) << line;
        EXPECT_TRUE(isCaution(check.warnings[0].kind)) << line;
        EXPECT_EQ(exitStatus(check), 1) << line;
    }
    // The words fit the value: what the plugin reads, and a way out that fits its sign.
    const std::pair<std::string, const char*> words[] = {
        {"Accuracy_Rain=101", "most accurate peds write Accuracy_Rain=100"},
        {"Accuracy_Rain=-5", "least accurate peds write Accuracy_Rain=0"},
        {"DamageMod_Rain=-5", "applies the damage modifier -5 as it is"},
        {"Accuracy_Rain=\"35\" ; rain", "reads as 0. Without them it is 35"},
        {"Accuracy_Rain=abc", "from 0 to 100, or 12829"},
    };
    for (const auto& [line, said] : words) {
        const SettingsCheck check = checkWith(line.substr(0, line.find('=') + 1), line);
        ASSERT_EQ(check.warnings.size(), 1u) << line << ": " << kinds(check);
        EXPECT_NE(check.warnings[0].explanation.find(said), std::string::npos) << check.warnings[0].explanation;
        const std::string& told = check.warnings[0].explanation;
        EXPECT_NE(told.substr(told.size() - 3), " or") << told;  // a sentence that breaks off
    }
}

// The switch is shown as the number read, not as the 0 or 1 it comes to.
TEST_F(DoctorCheck, SwitchShowsTheNumberRead) {
    const std::pair<const char*, const char*> cases[] = {
        {"Enabled=2", "2: on"}, {"Enabled=-1", "-1: on"}, {"Enabled=0", "0: off"}, {"Enabled=1 please", "1: on"},
        {"Enabled=99999999999", "2147483647: on"},
    };
    for (const auto& [line, shown] : cases) {
        const SettingsCheck check = checkWith("Enabled=", line);
        EXPECT_EQ(valueText(check.entries.front()), shown) << line;
    }
}

// A second section or key of a name is never read, under the profile functions' own rules
// (names trimmed, letter case aside). Under Wine the values come from kernel32, so each case
// also shows that the line warned about is the one kernel32 passes over.
TEST_F(DoctorCheck, SecondSectionsAndKeysOfANameAreNeverRead) {
    struct Case {
        const char* what;
        std::vector<std::string> appended;  // after the default file's last line
        const char* replaced;               // the default line replaced by the first appended one, or none
        WarningKind kind;
        std::size_t firstLine;   // the line that is read
        std::size_t secondLine;  // the line warned about: 0 the first appended one
    };
    const std::size_t rainHeader = findLine(defaultSettingsLines(), "[WeatherType_Rain]") + 1;
    const std::size_t rainDamage = findLine(defaultSettingsLines(), "DamageMod_Rain=") + 1;
    const std::size_t end = defaultSettingsLines().size();
    const Case cases[] = {
        {"section appended", {"[WeatherType_Rain]", "DamageMod_Rain=0.5"}, nullptr, WarningKind::DuplicateSection,
         rainHeader, end + 1},
        {"section, other case and blanks", {"  [ weathertype_RAIN ]", "DamageMod_Rain=0.5"}, nullptr,
         WarningKind::DuplicateSection, rainHeader, end + 1},
        {"key twice", {"DamageMod_Rain=0.5"}, "Accuracy_Rain=", WarningKind::DuplicateKey, rainDamage, rainDamage - 1},
        {"key, other case and blanks", {"  damagemod_rain  = 0.5"}, "Accuracy_Rain=", WarningKind::DuplicateKey,
         rainDamage, rainDamage - 1},
    };
    for (const Case& c : cases) {
        lines = defaultSettingsLines();
        if (c.replaced) {
            // The second key goes in place of the accuracy line before the first one: then it
            // is the first, and the default line after it the second.
            const std::size_t at = findLine(lines, c.replaced);
            lines[at] = "DamageMod_Rain=1";
            lines[at + 1] = c.appended.front();
            lines.push_back("Accuracy_Rain=12829");
        } else {
            lines.insert(lines.end(), c.appended.begin(), c.appended.end());
        }
        writeFile("Veltrane.ini", joinLines(lines));
        const SettingsCheck check = checkSettingsFile("Veltrane.ini");
        const Warning* found = firstOfKind(check, c.kind);
        ASSERT_NE(found, nullptr) << c.what << ": " << kinds(check);
        const std::size_t first = c.replaced ? rainDamage - 1 : c.firstLine;
        const std::size_t second = c.replaced ? rainDamage : c.secondLine;
        EXPECT_EQ(found->line, second) << c.what;
        EXPECT_NE(found->explanation.find("line " + std::to_string(first)), std::string::npos)
            << c.what << ": " << found->explanation;
        EXPECT_EQ(entryFor(check, "DamageMod_Rain").damageModifier, 1.0f) << c.what << ": the profile functions read the second one";
    }
}

// A file that holds none of the plugin's names gets one diagnosis, with the rest held back;
// only under the plugin's own file name is it offered the entries (elsewhere the path is the
// likelier mistake, and another program's file is not the plugin's to fill).
TEST_F(DoctorCheck, FileWithoutAnyKnownNameGetsOneDiagnosis) {
    const std::string utf16 = utf16File(joinLines(defaultSettingsLines()), false).substr(2);  // no mark
    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""},
        {"another program's", "[Window]\r\nWidth=800\r\nHeight=600\r\n"},
        {"UTF-16 without a mark", utf16},
    };
    for (const auto& [what, content] : cases) {
        for (const char* name : {"Veltrane.ini", "Other.ini"}) {
            writeFile(name, content);
            const SettingsCheck check = checkSettingsFile(name);
            // Under another name, first that the plugin never reads the file.
            const std::size_t expected = std::string(name) == "Veltrane.ini" ? 1u : 2u;
            ASSERT_EQ(check.warnings.size(), expected) << what << ": " << kinds(check);
            EXPECT_EQ(check.warnings.front().kind,
                      expected == 1 ? WarningKind::NoKnownNames : WarningKind::NotPluginsFile) << what;
            EXPECT_EQ(check.warnings.back().kind, WarningKind::NoKnownNames) << what;
            EXPECT_EQ(std::count_if(check.details.begin(), check.details.end(),
                                    [](const Warning& w) { return w.kind == WarningKind::MissingKey; }),
                      static_cast<std::ptrdiff_t>(1 + 2 * weatherTable.size()))
                << what;
            EXPECT_EQ(exitStatus(check), 1) << what;
            const bool offered = fixSettings(content, check).changes.size() > 0 && check.pluginsFileName;
            const bool isUtf16 = content == utf16;  // --fix refuses UTF-16 wherever it is
            EXPECT_EQ(offered, std::string(name) == "Veltrane.ini" && !isUtf16) << what << " as " << name;
        }
    }
}

// Lines Windows reads otherwise than Wine are warned about from their bytes, the same
// wherever the doctor runs; a UTF-16 file with a mark is read on both. The values are those of
// the reading shown (the system the game runs on), the other's told apart; a key lost with its
// header is that header's finding alone; a fix written as Windows reads the header is certain
// only where Windows' reading is shown.
TEST_F(DoctorCheck, WarnsWhereWindowsAndWineReadTheFileDifferently) {
    const std::string file = joinLines(defaultSettingsLines());
    SettingsLines extraClose = defaultSettingsLines();
    extraClose[0] = "[Settings]x]";
    SettingsLines unclosed = defaultSettingsLines();
    unclosed[0] = "[Settings";
    struct Case {
        const char* what;
        std::string content;
        std::vector<WarningKind> differences;
        const char* windows;  // the switch as Windows reads it
        const char* wine;     // as Wine reads it
        bool certainOnWindows, certainOnWine;
    };
    const char* on = "Enabled=1";
    const char* missing = "Enabled missing";
    const Case cases[] = {
        {"UTF-8 mark before [Settings]", "\xEF\xBB\xBF" + file, {WarningKind::Utf8MarkBeforeSection}, missing, on,
         true, true},
        {"UTF-8 mark before a comment", "\xEF\xBB\xBF; mine\r\n" + file, {}, on, on, false, false},
        {"header without ]", joinLines(unclosed), {WarningKind::HeaderWithoutClose}, on, missing, true, false},
        {"header with two ]", joinLines(extraClose), {WarningKind::HeaderWithExtraClose}, on, missing, true, false},
        {"UTF-16 big-endian", utf16File(file, true), {WarningKind::Utf16BigEndian}, missing, on, false, false},
        {"UTF-16 little-endian", utf16File(file, false), {}, on, on, false, false},
    };
    for (const Case& c : cases) {
        writeFile("Veltrane.ini", c.content);
        for (const auto reader : {profile_text::Reader::Windows, profile_text::Reader::Wine}) {
            const bool onWine = reader == profile_text::Reader::Wine;
            const std::string what = std::string(c.what) + (onWine ? ", shown as Wine reads it" : "");
            const SettingsCheck check = checkSettingsFile("Veltrane.ini", {}, reader);
            std::vector<WarningKind> found;
            for (const Warning& w : check.warnings) found.push_back(w.kind);
            EXPECT_EQ(found, c.differences) << what << ": " << kinds(check);
            const std::string shown = onWine ? c.wine : c.windows, other = onWine ? c.windows : c.wine;
            EXPECT_EQ(check.entries.front().switchOn, shown == on) << what;
            EXPECT_EQ(check.readOtherwise.empty() ? std::string() : check.readOtherwise.front(),
                      shown == other ? "" : other)
                << what;
            for (const Warning& w : check.warnings) {
                EXPECT_NE(w.explanation.find("Windows"), std::string::npos) << what;
                EXPECT_NE(w.explanation.find("Wine"), std::string::npos) << what;
                EXPECT_EQ(w.certain, onWine ? c.certainOnWine : c.certainOnWindows) << what;
                EXPECT_EQ(fixOf(w) != Fix::None, w.certain) << what;
            }
        }
    }
}

}  // namespace
