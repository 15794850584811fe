#pragma once
// Every kind of finding the settings doctor makes, one row each: how harmful it is (the report
// shows the most harmful first; the cautions last), what --fix can do for it, and its words
// where they never change. Its name in listings and tests is the row's, in small letters
// ("comma-decimal"). A new kind is one row here and the check that finds it.

#include <string>

#include "platform/profile_text.h"

// How harmful a finding is, the most harmful first: the file checked is not the one the plugin
// reads (WrongFile); it names nothing of the plugin's (NothingKnown); Windows and Wine read it
// apart (ReadApart); a value is never read: a misnamed or unread section or key, a line not read
// as meant (LostWhole); a key is missing and reads as 0, or a key's value does harm (DoesHarm);
// a value is read otherwise than it looks (Misread); the cautions, read as written but probably
// not meant, no damage first.
enum class Harm { WrongFile, NothingKnown, ReadApart, LostWhole, DoesHarm, Misread, CautionNoDamage, Caution };

// What --fix can do for a finding of a kind: never be certain, the player chooses (Choice);
// write a line, when the finding is certain of it (Line); write a line as Windows reads it, which
// changes what Wine reads, so certain only where Windows' reading is the one shown (WindowsLine);
// remove the UTF-8 byte-order mark, which Wine skips: certain on both.
enum class Remedy { Choice, Line, WindowsLine, RemoveMark };

// X(kind, harm, remedy, words): words are nullptr where they depend on what was found.
#define VELTRANE_FINDING_KINDS(X)                                                                                      \
    X(FileMissing, Misread, Choice, nullptr)                                                                           \
    X(MissingKey, DoesHarm, Line, nullptr)                                                                             \
    X(EmptyValue, Misread, Line, nullptr)                                                                              \
    X(NotANumber, Misread, Line, nullptr)             /* "abc", "inf" */                                               \
    X(CommaDecimal, Misread, Line, nullptr)           /* "0,5" */                                                      \
    X(TrailingText, Misread, Line, nullptr)           /* "50abc", "1.5x" */                                            \
    X(ExponentWithoutDigits, Misread, Line, nullptr)  /* "1.5e" */                                                     \
    X(IntBeyondRange, Misread, Choice, nullptr)       /* "2147483648" */                                               \
    X(Fraction, Misread, Line, nullptr)               /* "12.9" where only whole numbers are read */                   \
    X(WordsForSwitch, Misread, Line, nullptr)         /* "true", "on" */                                               \
    X(Hex, Misread, Line, nullptr)                    /* "0x20" */                                                     \
    X(FloatTooLarge, Misread, Choice, nullptr)        /* "1e39" */                                                     \
    X(FloatTooSmall, Misread, Choice, nullptr)        /* "1e-50" */                                                    \
    X(ValueCut, Misread, Choice, nullptr)             /* longer than 255 characters */                                 \
    X(MisspeltName, LostWhole, Line, nullptr)         /* "[WeatherType_Thunderstrom]" */                               \
    X(KeyInOtherSection, LostWhole, Line, nullptr)    /* a known key under a section that doesn't hold it */           \
    X(DuplicateSection, LostWhole, Choice, nullptr)   /* a second section of a name: never searched */                 \
    X(DuplicateKey, Misread, Choice, nullptr)         /* a second key of a name in its section: never read */          \
    X(NoKnownNames, NothingKnown, Choice, nullptr)    /* none of the plugin's sections or keys in the file */          \
    X(Utf8MarkBeforeSection, ReadApart, RemoveMark, nullptr) /* Windows misses the section on line 1 */                \
    X(HeaderWithoutClose, ReadApart, WindowsLine, nullptr)   /* "[Settings": Windows opens the section, Wine not */  \
    X(HeaderWithExtraClose, ReadApart, WindowsLine, nullptr) /* "[Settings]x]": Windows ends the name at the first */ \
    X(Utf16BigEndian, ReadApart, Choice, nullptr)     /* Windows reads nothing, Wine reads it */                       \
    X(Percent, Misread, Line, nullptr)                /* "150%" in a damage modifier */                                \
    X(ThousandsSeparator, Misread, Line, nullptr)     /* "12,829" */                                                   \
    X(NumberInWords, Misread, Line, nullptr)          /* "fifty", "half" */                                            \
    X(StrayCharacters, Misread, Line, nullptr)        /* typographic quotes, a no-break space before "0.5" */          \
    X(NearMissName, LostWhole, Line, nullptr)         /* "[Rain]", "Accuracy=35" in [WeatherType_Rain] */              \
    X(TwoLinesInOne, LostWhole, Line, nullptr)        /* "Accuracy_Rain=35 DamageMod_Rain=0.5" */                      \
    X(NulBytes, LostWhole, Line, nullptr)             /* "\0\0[WeatherType_Rain]": invisible bytes before a name */   \
    X(UnreadSection, LostWhole, Choice, nullptr)      /* "[WeatherType_Clear]": a section never read */                \
    X(NotPluginsFile, WrongFile, Choice, nullptr)     /* the file checked is not named as the plugin's */              \
    X(EditsInNearName, WrongFile, Choice, nullptr)    /* "Veltrane.ini.txt" beside it holds other values */            \
    X(AccuracyNeverApplied, Caution, Choice, nullptr) /* outside 0 to 100 and not 12829 */                             \
    X(NoDamage, CautionNoDamage, Choice,                                                                               \
      "caution: a damage modifier of 0 means peds deal no damage in this weather (1 is normal, 0.5 half)")             \
    X(NegativeDamage, Caution, Choice, nullptr)       /* a damage modifier below 0, applied as it is */                \
    X(HugeDamage, Caution, Choice, nullptr)           /* a damage modifier above 10 */

#define VELTRANE_FINDING_KIND_ENUMERATOR(kind, harm, remedy, words) kind,
enum class WarningKind { VELTRANE_FINDING_KINDS(VELTRANE_FINDING_KIND_ENUMERATOR) };

// A short name for listings and tests: "comma-decimal", "missing-key", ...
std::string warningKindName(WarningKind kind);

Harm harmOf(WarningKind kind);
Remedy remedyOf(WarningKind kind);
// The words of every finding of the kind; nullptr where they depend on what was found.
const char* wordsOf(WarningKind kind);

// True for the findings about values that are read as written but are probably not meant.
inline bool isCaution(WarningKind kind) { return harmOf(kind) >= Harm::CautionNoDamage; }
// A finding of the kind can be certain of its fix where the file is shown as `shown` reads it;
// the others are always the player's choice.
inline bool canBeCertain(WarningKind kind, profile_text::Reader shown = profile_text::Reader::Windows) {
    const Remedy remedy = remedyOf(kind);
    return remedy != Remedy::Choice && (remedy != Remedy::WindowsLine || shown == profile_text::Reader::Windows);
}

// How harmful a finding is where it is. Kinds that lose a value whole rank by kind alone.
// Any other finding on the switch ([Settings] or Enabled) ranks with them: the switch off, the
// plugin does nothing. Any other one on a key whose value does harm (no damage, far above
// normal, perfect aim) ranks as a missing key, cautions aside.
Harm harmWhere(WarningKind kind, bool onSwitch, bool onHarmfulKey);
