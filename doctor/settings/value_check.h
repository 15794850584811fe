#pragma once
// Where a stored text and the value the plugin reads from it part ways, and the text that
// would say what the player most likely meant. The value itself always comes from the
// plugin's own reader; this only explains it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum class ValueType { Switch, Accuracy, DamageModifier };

enum class WarningKind {
    FileMissing,
    MissingKey,
    EmptyValue,
    NotANumber,             // "abc", "inf"
    CommaDecimal,           // "0,5"
    TrailingText,           // "50abc", "1.5x"
    ExponentWithoutDigits,  // "1.5e"
    IntBeyondRange,         // "2147483648"
    Fraction,               // "12.9" where only whole numbers are read
    WordsForSwitch,         // "true", "on"
    Hex,                    // "0x20"
    FloatTooLarge,          // "1e39"
    FloatTooSmall,          // "1e-50"
    ValueCut,               // longer than 255 characters
    MisspeltName,           // "[WeatherType_Thunderstrom]"
    KeyInOtherSection,      // a known key under a section that doesn't hold it
    DuplicateSection,       // a second section of a name: never searched
    DuplicateKey,           // a second key of a name in its section: never read
    NoKnownNames,           // not one of the plugin's sections or keys in the whole file
    // Lines that Windows and Wine read differently.
    Utf8MarkBeforeSection,  // Windows misses the section on line 1
    HeaderWithoutClose,     // "[Settings": Windows opens the section, Wine does not
    HeaderWithExtraClose,   // "[Settings]x]": the name ends at the first "]" on Windows, the last on Wine
    Utf16BigEndian,         // Windows reads nothing, Wine reads it
    // The text shows a meaning other than what is read.
    Percent,                // "150%" in a damage modifier
    ThousandsSeparator,     // "12,829"
    NumberInWords,          // "fifty", "half"
    StrayCharacters,        // "\u201c35\u201d", a no-break space before "0.5"
    // The player's value under a name the plugin never reads.
    NearMissName,           // "[Rain]", "Accuracy=35" in [WeatherType_Rain], "Accuracy_Rain: 35"
    TwoLinesInOne,          // "Accuracy_Rain=35 DamageMod_Rain=0.5", "[WeatherType_Rain] Accuracy_Rain=35"
    UnreadSection,          // "[WeatherType_Clear]" holding values: a section the plugin never reads
    NotPluginsFile,         // the file checked is not named Veltrane.ini
    // Cautions: read as written, but probably not meant.
    AccuracyNeverApplied,   // outside 0 to 100 and not 12829
    NoDamage,               // damage modifier 0
    NegativeDamage,         // damage modifier below 0
    HugeDamage,             // damage modifier above 10
};

// A short name for listings and tests: "comma-decimal", "missing-key", ...
const char* warningKindName(WarningKind kind);

// A value to write with what it means: {"35", "0.35 of 100"}.
struct ValueChoice {
    std::string value;
    std::string note;
};

struct ValueFinding {
    ValueFinding(WarningKind kind_, std::string explanation_, std::string writeValue_)
        : kind(kind_), explanation(std::move(explanation_)), writeValue(std::move(writeValue_)) {}

    WarningKind kind;
    std::string explanation;  // what the plugin makes of the text, and what was probably meant
    std::string writeValue;   // the value text to write instead; empty when the player must choose
    // Certain: the player evidently meant writeValue (the explanation says by which rule), and
    // --fix writes it. Otherwise --fix leaves the line, and the player picks one of `choices`.
    bool certain = true;
    std::vector<ValueChoice> choices;
};

// A damage modifier above this is valid but rarely meant: peds deal that many times the damage.
inline constexpr float kLargestUsualDamage = 10.0f;

// Checks the text the plugin sees (already cut to 255 characters) against the value it read
// from it. None when the two agree.
std::optional<ValueFinding> checkSwitchText(std::string_view text, bool valueRead);
std::optional<ValueFinding> checkAccuracyText(std::string_view text, std::int32_t valueRead);
std::optional<ValueFinding> checkDamageText(std::string_view text, float valueRead);

// The default file's text for a key of this type: "1", "12829", "1".
std::string defaultValueText(ValueType type);

// The shortest text that reads back as exactly this float: 1, 0.5, 0.1234567, 1e-05.
std::string floatText(float value);
