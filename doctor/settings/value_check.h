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

#include "doctor/settings/finding_kinds.h"

enum class ValueType { Switch, Accuracy, DamageModifier };

// A value to write with what it means: {"35", "0.35 of 100"}.
struct ValueChoice {
    std::string value;
    std::string note;
};

struct ValueFinding {
    ValueFinding(WarningKind kind_, std::string explanation_, std::string writeValue_)
        : kind(kind_), explanation(std::move(explanation_)), writeValue(std::move(writeValue_)),
          certain(canBeCertain(kind_)) {}

    WarningKind kind;
    std::string explanation;  // what the plugin makes of the text, and what was probably meant
    std::string writeValue;   // the value text to write instead; empty when the player must choose
    // Certain: the player evidently meant writeValue (the explanation says by which rule), and
    // --fix writes it. Otherwise --fix leaves the line, and the player picks one of `choices`.
    // Never certain for a kind whose remedy is a choice (finding_kinds.h).
    bool certain;
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
