#pragma once
// Reading a scenario's JSON: each value of the kind it must be, and each mistake refused with its
// place ("events[3].set.key: expected a string, got 7"), as ScenarioError.

#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string>

#include "sim/scenario.h"

namespace sim::scenario_json {

using nlohmann::json;

[[noreturn]] void fail(const std::string& where, const std::string& what);

// The file's text as JSON (comments allowed). Refused: text that is not UTF-8 (UTF-16 or UTF-32,
// named), a key given twice in one object, a number past a double's range.
json parseJson(const std::string& jsonText);

// A whole number from `low` to `high`, as a T.
template <typename T>
T integer(const json& value, const std::string& where, T low, T high) {
    if (!value.is_number_integer()) fail(where, "expected a whole number, got " + value.dump());
    // "0 is out of range: a whole number from 1 to 1000000": the message says which range.
    const auto outOfRange = [&] {
        fail(where, value.dump() + " is out of range: a whole number from " + std::to_string(low) + " to " +
                        std::to_string(high));
    };
    if (value.is_number_unsigned()) {
        const auto v = value.get<std::uint64_t>();
        const bool belowLow = low > 0 && v < static_cast<std::uint64_t>(low);
        if (belowLow || v > static_cast<std::uint64_t>(high)) outOfRange();
        return static_cast<T>(v);
    }
    const auto v = value.get<std::int64_t>();
    if (v < static_cast<std::int64_t>(low) || (v > 0 && static_cast<std::uint64_t>(v) > static_cast<std::uint64_t>(high)))
        outOfRange();
    return static_cast<T>(v);
}

double number(const json& value, const std::string& where);
std::string text(const json& value, const std::string& where);

// An object with none but the `allowed` keys.
void checkKeys(const json& object, const std::string& where, std::initializer_list<const char*> allowed);

// A value or a [low, high] range.
template <typename T, typename Read>
void range(const json& value, const std::string& where, T& low, T& high, Read read) {
    if (value.is_array()) {
        if (value.size() != 2) fail(where, "a range is [low, high]");
        low = read(value[0], where);
        high = read(value[1], where);
        if (high < low) fail(where, "a range is [low, high]");
    } else {
        low = high = read(value, where);
    }
}

}  // namespace sim::scenario_json
