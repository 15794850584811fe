#include "sim/scenario_values.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/profile_text.h"
#include "settings/weather_hash.h"
#include "settings/weather_table.h"
#include "text/edit_distance.h"

namespace sim {

using namespace scenario_json;

namespace {

const WeatherEntry* knownWeather(const std::string& name) {
    for (const WeatherEntry& entry : weatherTable) {
        if (profile_text::sameName(name, entry.name)) return &entry;
    }
    return nullptr;
}

}  // namespace

float damageModifier(const json& value, const std::string& where, std::vector<std::string>& notes) {
    const double damage = number(value, where);
    if (std::fabs(damage) > std::numeric_limits<float>::max())
        fail(where, value.dump() + " is past a float's range, which the game keeps a damage modifier in");
    if (damage < 0) notes.push_back(where + ": " + value.dump() + " is a negative damage modifier, which no ped of the game has");
    return static_cast<float>(damage);
}

PedGroup pedGroup(const json& object, const std::string& where, std::vector<std::string>& notes) {
    checkKeys(object, where, {"count", "accuracy", "damage", "exempt"});
    PedGroup group;
    if (!object.contains("count")) fail(where, "\"count\" is missing");
    group.count = integer<std::int32_t>(object["count"], where + ".count", 0, 100000);
    auto readAccuracy = [](const json& v, const std::string& w) {
        return integer<std::int32_t>(v, w, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max());
    };
    auto readDamage = [&](const json& v, const std::string& w) { return damageModifier(v, w, notes); };
    if (object.contains("accuracy")) range(object["accuracy"], where + ".accuracy", group.accuracyMin, group.accuracyMax, readAccuracy);
    if (object.contains("damage")) range(object["damage"], where + ".damage", group.damageMin, group.damageMax, readDamage);
    if (object.contains("exempt")) {
        group.exemptShare = number(object["exempt"], where + ".exempt");
        if (group.exemptShare < 0.0 || group.exemptShare > 1.0) fail(where + ".exempt", "a share from 0 to 1");
    }
    return group;
}

std::uint32_t keyCode(const json& value, const std::string& where) {
    if (value.is_number()) return integer<std::uint32_t>(value, where, 0, 0xFFFFFFFFu);
    std::string name = text(value, where);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) return static_cast<unsigned char>(name[0]);
    if (name.size() >= 2 && name.size() <= 3 && name[0] == 'F' && std::all_of(name.begin() + 1, name.end(), ::isdigit)) {
        const int n = std::stoi(name.substr(1));
        if (n >= 1 && n <= 24) return 0x6Fu + static_cast<std::uint32_t>(n);
    }
    static const std::pair<const char*, std::uint32_t> named[] = {
        {"BACK", 0x08}, {"TAB", 0x09}, {"RETURN", 0x0D}, {"ENTER", 0x0D}, {"SHIFT", 0x10}, {"CONTROL", 0x11},
        {"MENU", 0x12}, {"ALT", 0x12}, {"ESCAPE", 0x1B}, {"SPACE", 0x20}, {"LEFT", 0x25}, {"UP", 0x26},
        {"RIGHT", 0x27}, {"DOWN", 0x28}, {"INSERT", 0x2D}, {"DELETE", 0x2E}};
    for (const auto& [n, code] : named) {
        if (name == n) return code;
    }
    fail(where, "unknown key name \"" + name + "\"");
}

KeystrokeFlags keystroke(const json& object, const std::string& where, std::uint32_t& code, std::uint32_t& lastCode) {
    checkKeys(object, where, {"code", "up", "alt", "repeat", "scan", "extended", "previouslyDown"});
    if (!object.contains("code")) fail(where, "\"code\" is missing");
    // [first, last]: one message for each code of the range.
    if (object["code"].is_array()) {
        range(object["code"], where + ".code", code, lastCode,
              [](const json& v, const std::string& w) { return integer<std::uint32_t>(v, w, 0, 0xFFFFFFFFu); });
    } else {
        code = lastCode = keyCode(object["code"], where + ".code");
    }
    // true and false pass as 1 and 0; a number passes as it is, as a careless host might.
    auto flag = [&](const char* name, std::int32_t otherwise) {
        if (!object.contains(name)) return otherwise;
        if (object[name].is_boolean()) return object[name].get<bool>() ? 1 : 0;
        if (!object[name].is_number_integer()) fail(where + "." + name, "expected true, false or a whole number");
        return integer<std::int32_t>(object[name], where + "." + name, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max());
    };
    KeystrokeFlags flags;
    flags.keyUp = flag("up", 0);
    flags.altHeld = flag("alt", 0);
    flags.extended = flag("extended", 0);
    flags.previouslyDown = flag("previouslyDown", flags.keyUp);  // a key going up was down
    if (object.contains("repeat")) flags.repeatCount = integer<std::uint16_t>(object["repeat"], where + ".repeat", 0, 0xFFFF);
    if (object.contains("scan")) flags.scanCode = integer<std::uint8_t>(object["scan"], where + ".scan", 0, 0xFF);
    return flags;
}

void readWeather(const json& value, const std::string& where, ScenarioEvent& event) {
    if (value.is_object()) {
        checkKeys(value, where, {"unknown"});
        if (!value.contains("unknown")) fail(where, "\"unknown\" is missing");
        const std::string at = where + ".unknown";
        event.weatherName = text(value["unknown"], at);
        if (event.weatherName.empty()) fail(at, "a weather's name, not an empty one");
        if (const WeatherEntry* entry = knownWeather(event.weatherName))
            fail(at, "\"" + event.weatherName + "\" is one of the plugin's weathers: write \"weather\": \"" + entry->name + "\"");
        if (event.weatherName.rfind("0x", 0) == 0 || event.weatherName.rfind("0X", 0) == 0)
            fail(at, "a name, not a hash: write a hash as \"weather\": \"" + event.weatherName + "\"");
        event.weatherHash = weatherHashOf(event.weatherName);
        return;
    }
    if (!value.is_string())
        fail(where, "expected a weather's name, a hash such as \"0x54A69840\" or {\"unknown\": name}, got " + value.dump());
    const std::string name = value.get<std::string>();
    event.weatherName = name;
    if (name.size() >= 2 && name[0] == '0' && (name[1] == 'x' || name[1] == 'X')) {
        const std::string digits = name.substr(2);
        if (digits.empty() || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            fail(where, "\"" + name + "\" is not a hash: a hash is 0x and 1 to 8 hex digits (0-9, A-F)");
        if (digits.size() > 8) fail(where, "\"" + name + "\" is not a hash: a hash has at most 8 hex digits (32 bits)");
        event.weatherHash = static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16));
        return;
    }
    if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos) {
        std::string hint;
        if (name.size() <= 10 && std::stoull(name) <= 0xFFFFFFFFull) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%08llX", std::stoull(name));
            hint = ": for the hash " + name + ", write \"" + hex + "\"";
        }
        fail(where, "\"" + name + "\" is a number, not a weather; a hash is written in hex" + hint);
    }
    if (knownWeather(name) != nullptr) {
        event.weatherHash = weatherHashOf(name);
        return;
    }
    const WeatherEntry* nearest = &weatherTable[0];
    for (const WeatherEntry& entry : weatherTable) {
        if (editDistance(name, entry.name) < editDistance(name, nearest->name)) nearest = &entry;
    }
    fail(where, "\"" + name + "\" is none of the plugin's weathers; the nearest is \"" +
                    nearest->name + "\". For a weather the plugin has no row for, write {\"unknown\": \"" + name + "\"}");
}

std::string fileParts(const json& parts, const std::string& where, Draw& draw) {
    constexpr std::size_t kMaxFile = 64u << 20;
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const json& part = parts[i];
        const std::string at = where + "[" + std::to_string(i) + "]";
        if (part.is_string()) {
            out += part.get<std::string>();
        } else if (part.is_object() && part.contains("repeat")) {
            checkKeys(part, at, {"repeat", "count"});
            if (!part.contains("count")) fail(at, "\"count\" is missing");
            const std::string piece = text(part["repeat"], at + ".repeat");
            const auto count = integer<std::uint32_t>(part["count"], at + ".count", 0, 0xFFFFFFFFu);
            if (piece.size() * count > kMaxFile) fail(at, "more than 64 MiB");
            for (std::uint32_t n = 0; n < count; ++n) out += piece;
        } else if (part.is_object() && part.contains("randomBytes")) {
            checkKeys(part, at, {"randomBytes"});
            const auto count = integer<std::uint32_t>(part["randomBytes"], at + ".randomBytes", 0, kMaxFile);
            for (std::uint32_t n = 0; n < count; ++n) out += static_cast<char>(draw.next() & 0xFFu);
        } else {
            fail(at, "expected a string, {\"repeat\", \"count\"} or {\"randomBytes\"}");
        }
        if (out.size() > kMaxFile) fail(where, "more than 64 MiB");
    }
    return out;
}

}  // namespace sim
