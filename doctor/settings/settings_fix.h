#pragma once
// --fix: the file's bytes with the warnings' "write instead" lines in place of the faulty
// ones, missing keys at the end of their section and missing sections at the end of the file.
// Every other byte stays: comments, order, blank lines, line endings and encoding.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "doctor/settings/settings_check.h"

// One change --fix makes: the bytes [from, to) of the original file replaced by `bytes`; an
// insertion has from == to. A moved line is two: its removal, and its adding where it belongs.
struct FixChange {
    std::size_t from = 0, to = 0;
    std::string bytes;
    Fix fix = Fix::None;   // the answered warning's: a line replaced, added or moved, the mark removed
    Warning answers;       // the warning it answers; always a certain one, as --fix writes no choice
    std::size_t order = 0;  // of insertions at one place, the one of lower order comes first
};

struct FixedFile {
    std::string bytes;
    std::vector<FixChange> changes;  // in the order made
    std::vector<Warning> applied;    // the warnings whose lines were written
    std::string refusal;             // why nothing can be done; then `bytes` is empty
};

// `original` is the file `check` was made of.
FixedFile fixSettings(std::string_view original, const SettingsCheck& check);

// A change in a line for the player: "line 3: DamageMod_Rain=0,5  ->  DamageMod_Rain=0.5",
// "added to [WeatherType_Rain]: Accuracy_Rain=12829". Empty for a moved line's removal: the
// line where it is added tells the move.
std::string toldChange(const FixChange& change, std::string_view original);
