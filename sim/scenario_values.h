#pragma once
// The values a scenario writes in its own terms: a group of peds, a damage modifier, a key and a
// keystroke message, a weather, a file's text in parts. Each refuses a mistake with its place.

#include <cstdint>
#include <string>
#include <vector>

#include "sim/draw.h"
#include "sim/keystroke.h"
#include "sim/scenario.h"
#include "sim/scenario_json.h"

namespace sim {

// A damage modifier as the game keeps it, a float; a negative one is noted: no ped of the game has one.
float damageModifier(const scenario_json::json& value, const std::string& where, std::vector<std::string>& notes);

// {"count", "accuracy", "damage", "exempt"}: each of accuracy and damage a value or a [low, high] range.
PedGroup pedGroup(const scenario_json::json& object, const std::string& where, std::vector<std::string>& notes);

// "K", "7", "F5", "ESCAPE" and the like, or a virtual-key number.
std::uint32_t keyCode(const scenario_json::json& value, const std::string& where);

// A keystroke message: its code (or [first, last] codes, one message each) and its flags.
KeystrokeFlags keystroke(const scenario_json::json& object, const std::string& where, std::uint32_t& code,
                         std::uint32_t& lastCode);

// The weather of a "weather" event, as the event names it:
//   "Rain"                   one of the plugin's weathers (letter case aside), hashed the game's way;
//   "0x54A69840"             a hash as it is: 0x and 1 to 8 hex digits;
//   {"unknown": "Ashfall"}   a weather the plugin has no row for, said so on purpose.
// Anything else is a mistake: a malformed hash, a number without 0x, or a name that is none of
// the plugin's (a misspelling of one, as like as not).
void readWeather(const scenario_json::json& value, const std::string& where, ScenarioEvent& event);

// A file's text in parts: a string as it is, {"repeat": text, "count": n} for n copies of the
// text, {"randomBytes": n} for n bytes drawn from the scenario's seed (NUL bytes included).
std::string fileParts(const scenario_json::json& parts, const std::string& where, Draw& draw);

}  // namespace sim
