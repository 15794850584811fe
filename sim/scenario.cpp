#include "sim/scenario.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>
#include <string_view>

#include "settings/settings_file.h"
#include "settings/weather_table.h"
#include "sim/draw.h"
#include "sim/shown_text.h"
#include "sim/world.h"
#include "text/edit_distance.h"
#include "tuning/tuning_pass.h"

namespace sim {

namespace {

using nlohmann::json;

[[noreturn]] void fail(const std::string& where, const std::string& what) { throw ScenarioError(where + ": " + what); }

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

double number(const json& value, const std::string& where) {
    if (!value.is_number()) fail(where, "expected a number, got " + value.dump());
    return value.get<double>();
}

std::string text(const json& value, const std::string& where) {
    if (!value.is_string()) fail(where, "expected a string, got " + value.dump());
    return value.get<std::string>();
}

// An INI value may be written as a JSON string or number; numbers go in as JSON prints them.
std::string iniValue(const json& value, const std::string& where) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_number()) return value.dump();
    fail(where, "expected a string or a number, got " + value.dump());
}

void checkKeys(const json& object, const std::string& where, std::initializer_list<const char*> allowed) {
    if (!object.is_object()) fail(where, "expected an object, got " + object.dump());
    for (const auto& item : object.items()) {
        if (std::none_of(allowed.begin(), allowed.end(), [&](const char* k) { return item.key() == k; }))
            fail(where, "unknown key \"" + item.key() + "\"");
    }
}

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

// A damage modifier as the game keeps it, a float; a negative one is noted: no ped of the game has one.
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

// "K", "7", "F5", "ESCAPE" and the like, or a virtual-key number.
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

bool sameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

const WeatherEntry* knownWeather(const std::string& name) {
    for (const WeatherEntry& entry : weatherTable) {
        if (sameLetters(name, entry.name)) return &entry;
    }
    return nullptr;
}

// The weather of a "weather" event, as the event names it:
//   "Rain"                   one of the plugin's weathers (letter case aside), hashed the game's way;
//   "0x54A69840"             a hash as it is: 0x and 1 to 8 hex digits;
//   {"unknown": "Ashfall"}   a weather the plugin has no row for, said so on purpose.
// Anything else is a mistake: a malformed hash, a number without 0x, or a name that is none of
// the plugin's (a misspelling of one, as like as not).
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

// A file's text in parts: a string as it is, {"repeat": text, "count": n} for n copies of the
// text, {"randomBytes": n} for n bytes drawn from the scenario's seed (NUL bytes included).
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

// A plugin's file name in the game folder: "Veltrane.asi", no folder.
std::string pluginName(const json& value, const std::string& where) {
    const std::string name = text(value, where);
    const bool asi = name.size() > 4 && std::equal(name.end() - 4, name.end(), ".asi", [](char a, char b) {
                         return std::tolower(static_cast<unsigned char>(a)) == b;
                     });
    if (!asi || name.find_first_of("/\\:") != std::string::npos) fail(where, "a plugin's file name ending in .asi, no folder");
    return name;
}

// What reading one event needs besides the event: the run's length, the seed's draw for file
// parts, where the events go, and where the notes on them go.
struct EventReading {
    std::uint32_t frames;
    Draw& draw;
    std::vector<ScenarioEvent>& out;
    std::vector<std::string>& notes;
};

// The keys the plugin reads from a section of its settings file; none for a section it never reads.
std::vector<std::string> keysReadIn(const std::string& section) {
    if (sameLetters(section, kSettingsSection)) return {kEnabledKey};
    for (const WeatherEntry& entry : weatherTable) {
        if (sameLetters(section, entry.section)) return {entry.accuracyKey, entry.damageModKey};
    }
    return {};
}

// A key the plugin never reads may be meant (a test of a misspelt file): a note, not a refusal.
void noteUnreadKey(const ScenarioEvent& event, const std::string& at, std::vector<std::string>& notes) {
    const std::vector<std::string> keys = keysReadIn(event.section);
    if (keys.empty()) {
        std::vector<std::string> sections{kSettingsSection};
        for (const WeatherEntry& entry : weatherTable) sections.emplace_back(entry.section);
        notes.push_back(at + ".section: the plugin reads no section \"" + event.section + "\"; the nearest is \"" +
                        nearestText(event.section, sections).text + "\"");
        return;
    }
    if (std::none_of(keys.begin(), keys.end(), [&](const std::string& key) { return sameLetters(key, event.key); }))
        notes.push_back(at + ".key: the plugin reads no key \"" + event.key + "\" in [" + event.section +
                        "]; the nearest is \"" + nearestText(event.key, keys).text + "\"");
}

void readKeyEdit(const json& value, const std::string& at, bool set, ScenarioEvent& event, EventReading& reading) {
    event.kind = set ? EventKind::SetKey : EventKind::DeleteKey;
    if (set) {
        checkKeys(value, at, {"section", "key", "value"});
        if (!value.contains("value")) fail(at, "\"value\" is missing");
        event.text = iniValue(value["value"], at + ".value");
    } else {
        checkKeys(value, at, {"section", "key"});
    }
    if (!value.contains("section") || !value.contains("key")) fail(at, "\"section\" and \"key\" are needed");
    event.section = text(value["section"], at + ".section");
    event.key = text(value["key"], at + ".key");
    noteUnreadKey(event, at, reading.notes);
}

void readFault(const json& value, const std::string& at, ScenarioEvent& event) {
    event.kind = EventKind::Fault;
    checkKeys(value, at, {"reportedPedCount", "nanDamage"});
    if (value.size() != 1) fail(at, "one switch per fault event");
    if (value.contains("reportedPedCount")) {
        event.setsReportedCount = true;
        const json& count = value["reportedPedCount"];
        if (!count.is_null())
            event.reportedCount = integer<std::int32_t>(count, at + ".reportedPedCount", std::numeric_limits<std::int32_t>::min(),
                                                        std::numeric_limits<std::int32_t>::max());
    } else {
        event.setsNaNDamage = true;
        event.count = integer<std::int32_t>(value["nanDamage"], at + ".nanDamage", 0, 100000);
    }
}

// Unloaded in one frame and loaded again before the next, `times` over, `every` frames apart.
void readReload(const json& value, const std::string& at, const ScenarioEvent& event, EventReading& reading) {
    checkKeys(value, at, {"plugin", "times", "every"});
    if (!value.contains("plugin") || !value.contains("times")) fail(at, "\"plugin\" and \"times\" are needed");
    const std::string name = pluginName(value["plugin"], at + ".plugin");
    const auto times = integer<std::uint32_t>(value["times"], at + ".times", 1, 1000000);
    const auto every = value.contains("every") ? integer<std::uint32_t>(value["every"], at + ".every", 2, 1000000) : 2u;
    const std::uint64_t lastLoad = event.frame + std::uint64_t{times - 1} * every + 1;
    if (lastLoad >= reading.frames)
        fail(at, "the last load would come at frame " + std::to_string(lastLoad) + ", past the last frame");
    for (std::uint32_t i = 0; i < times; ++i) {
        ScenarioEvent cycle = event;
        cycle.text = name;
        cycle.frame = event.frame + i * every;
        const std::string round = " of " + std::to_string(i + 1) + " of " + std::to_string(times) + ")";
        cycle.kind = EventKind::Unload;
        cycle.place = at + " (the unload" + round;
        reading.out.push_back(cycle);
        ++cycle.frame;
        cycle.kind = EventKind::Load;
        cycle.place = at + " (the load" + round;
        reading.out.push_back(cycle);
    }
}

// The action of an event, read into `event` and added to the events (a press and a reload add several).
void readAction(const std::string& action, const json& value, ScenarioEvent event, EventReading& reading) {
    const std::string at = event.place + "." + action;
    if (action == "weather") {
        event.kind = EventKind::Weather;
        readWeather(value, at, event);
    } else if (action == "spawn") {
        event.kind = EventKind::Spawn;
        event.peds = pedGroup(value, at, reading.notes);
    } else if (action == "despawn") {
        event.kind = EventKind::Despawn;
        event.count = integer<std::int32_t>(value, at, 0, 100000);
    } else if (action == "set" || action == "deleteKey") {
        readKeyEdit(value, at, action == "set", event, reading);
    } else if (action == "deleteFile" || action == "iniDirectory") {
        if (value != true) fail(at, "write \"" + action + "\": true");
        event.kind = action == "deleteFile" ? EventKind::DeleteFile : EventKind::MakeDirectory;
    } else if (action == "writeFile") {
        event.kind = EventKind::WriteFile;
        event.text = value.is_array() ? fileParts(value, at, reading.draw) : text(value, at);
    } else if (action == "key") {
        event.kind = EventKind::Keystroke;
        event.flags = keystroke(value, at, event.keyCode, event.lastKeyCode);
    } else if (action == "press") {
        // A key going down and up again in one frame: two messages.
        event.kind = EventKind::Keystroke;
        event.keyCode = event.lastKeyCode = keyCode(value, at);
        reading.out.push_back(event);
        event.flags.keyUp = 1;
        event.flags.previouslyDown = 1;
    } else if (action == "fault") {
        readFault(value, at, event);
    } else if (action == "unload" || action == "load") {
        event.kind = action == "unload" ? EventKind::Unload : EventKind::Load;
        event.place = at;
        event.text = pluginName(value, at);
    } else if (action == "reload") {
        readReload(value, at, event, reading);
        return;
    } else if (action == "resetDamage") {
        event.kind = EventKind::ResetDamage;
        if (!value.is_null()) event.resetDamage = damageModifier(value, at, reading.notes);
    }
    reading.out.push_back(event);
}

// Besides "frame" and an optional "note", an event has exactly one action; any other key is named.
std::string theAction(const json& object, const std::string& where) {
    static const std::set<std::string> kActions = {"weather", "spawn",     "despawn", "set",   "deleteKey",
                                                   "deleteFile", "writeFile", "iniDirectory", "key", "press",
                                                   "fault",   "unload",    "load",    "reload", "resetDamage"};
    std::vector<std::string> actions, others;
    for (const auto& item : object.items()) {
        if (item.key() == "frame" || item.key() == "note") continue;
        (kActions.count(item.key()) ? actions : others).push_back(item.key());
    }
    if (actions.empty() && others.size() == 1) fail(where, "unknown action \"" + others[0] + "\"");
    if (!others.empty())
        fail(where, "unknown key \"" + others[0] + "\": an event has \"frame\", one action and an optional \"note\"");
    if (actions.size() != 1) fail(where, "an event has \"frame\" and exactly one action");
    return actions[0];
}

void parseEvent(const json& object, const std::string& where, EventReading& reading) {
    if (!object.is_object()) fail(where, "expected an object");
    if (!object.contains("frame")) fail(where, "\"frame\" is missing");
    ScenarioEvent event;
    event.place = where;
    event.frame = integer<std::uint32_t>(object["frame"], where + ".frame", 0, 0xFFFFFFFFu);
    if (event.frame >= reading.frames)
        fail(where + ".frame",
             "frame " + std::to_string(event.frame) + " is past the last frame, " + std::to_string(reading.frames - 1));
    if (object.contains("note")) event.note = text(object["note"], where + ".note");
    const std::string action = theAction(object, where);
    readAction(action, object[action], std::move(event), reading);
}

// The "random" block: `count` events at frames drawn evenly over the run, each of a kind drawn
// with these weights: weather 12 (one in five a weather without a row), spawn 20, despawn 20,
// set 30, deleteKey 10, deleteFile 4, writeFile 4. Spawns that would take the world beyond
// `maxPeds` (counting the first group and the random events' own peds) despawn instead.
void addRandomEvents(Scenario& scenario, std::uint32_t count, std::int32_t maxPeds) {
    if (count == 0) return;
    Draw draw(scenario.seed ^ 0xC4A05ull);
    std::vector<std::uint32_t> frames(count);
    for (std::uint32_t& frame : frames) frame = static_cast<std::uint32_t>(draw.next() % scenario.frames);
    std::sort(frames.begin(), frames.end());

    auto pick = [&](std::initializer_list<const char*> choices) {
        return std::string(*(choices.begin() + draw.next() % choices.size()));
    };
    auto randomBytes = [&](std::size_t n) {
        std::string bytes;
        for (std::size_t i = 0; i < n; ++i) bytes += static_cast<char>(draw.next() & 0xFFu);
        return bytes;
    };
    auto accuracyText = [&]() -> std::string {
        switch (draw.next() % 6) {
            case 0: return std::to_string(kAccuracySentinel);
            case 1: return std::to_string(draw.between(-50, 150));
            case 2: return pick({"abc", "", "  ", "0x20", "12.9", "50abc", "2147483648", "-2147483649"});
            case 3: return std::string(300, '7');
            default: return std::to_string(draw.between(0, 100));
        }
    };
    auto damageText = [&]() -> std::string {
        char buffer[32];
        switch (draw.next() % 5) {
            case 0: return pick({"nan", "inf", "1e39", "0,5", "1.5e", "-0.25", "", "x"});
            case 1: return "0." + std::string(280, '5');
            default:
                std::snprintf(buffer, sizeof buffer, "%.2f", static_cast<double>(draw.between(0.0f, 3.0f)));
                return buffer;
        }
    };

    std::int64_t peds = scenario.peds.count;
    for (const std::uint32_t frame : frames) {
        ScenarioEvent event;
        event.frame = frame;
        std::uint64_t kind = draw.next() % 100;
        const std::int32_t n = draw.between(1, 40);
        if (kind >= 12 && kind < 32 && peds + n > maxPeds) kind = 32;  // a spawn too many: a despawn
        if (kind < 12) {
            event.kind = EventKind::Weather;
            if (draw.next() % 5 == 0) {
                event.weatherName = "Unlisted" + std::to_string(draw.between(0, 9));
            } else {
                event.weatherName = weatherTable[draw.next() % weatherTable.size()].name;
            }
            event.weatherHash = weatherHashOf(event.weatherName);
        } else if (kind < 32) {
            event.kind = EventKind::Spawn;
            event.peds.count = n;
            event.peds.accuracyMin = 0;
            event.peds.accuracyMax = 100;
            event.peds.damageMin = 0.1f;
            event.peds.damageMax = 3.0f;
            event.peds.exemptShare = 0.1;
            peds += n;
        } else if (kind < 52) {
            event.kind = EventKind::Despawn;
            event.count = n;
            peds = std::max<std::int64_t>(0, peds - n);
        } else if (kind < 92) {
            event.kind = kind < 82 ? EventKind::SetKey : EventKind::DeleteKey;
            if (draw.next() % 10 == 0) {
                event.section = kSettingsSection;
                event.key = kEnabledKey;
                event.text = pick({"1", "1", "1", "1", "1", "1", "0", "2", "yes", ""});
            } else {
                const WeatherEntry& entry = weatherTable[draw.next() % weatherTable.size()];
                event.section = entry.section;
                const bool accuracy = draw.next() % 2 == 0;
                event.key = accuracy ? entry.accuracyKey : entry.damageModKey;
                event.text = accuracy ? accuracyText() : damageText();
            }
        } else if (kind < 96) {
            event.kind = EventKind::DeleteFile;
        } else {
            event.kind = EventKind::WriteFile;
            if (draw.next() % 3 == 0) {
                event.text = randomBytes(static_cast<std::size_t>(draw.between(1, 512)));
            } else {
                const WeatherEntry& entry = weatherTable[draw.next() % weatherTable.size()];
                event.text = std::string("[Settings]\r\nEnabled=1\r\n[") + entry.section + "]\r\n" + entry.accuracyKey +
                             "=" + accuracyText() + "\r\n" + entry.damageModKey + "=" + damageText() + "\r\n";
            }
        }
        scenario.events.push_back(std::move(event));
    }
}

// The parser keeps the last of two equal keys in one object without a word. A scenario that
// gives a key twice is refused with its place, as other mistakes are: which one was meant?
class RepeatedKeyCheck {
public:
    bool operator()(int /*depth*/, json::parse_event_t event, json& parsed) {
        using Event = json::parse_event_t;
        switch (event) {
            case Event::object_start: levels.push_back({false, 0, {}, {}}); break;
            case Event::array_start: levels.push_back({true, 0, {}, {}}); break;
            case Event::key: {
                Level& level = levels.back();
                level.key = parsed.get<std::string>();
                if (!level.keys.insert(level.key).second) fail(place(), "\"" + level.key + "\" is given twice");
                break;
            }
            case Event::object_end:
            case Event::array_end:
                levels.pop_back();
                elementDone();
                break;
            case Event::value: elementDone(); break;
        }
        return true;
    }

private:
    struct Level {
        bool array;
        std::size_t index = 0;  // an array's element being read
        std::string key;        // an object's member being read
        std::set<std::string> keys;
    };
    std::vector<Level> levels;

    void elementDone() {
        if (!levels.empty() && levels.back().array) ++levels.back().index;
    }

public:
    // "events[3].set": where the innermost object sits (`value`: where the value being read sits).
    std::string place(bool value = false) const {
        std::string where;
        for (std::size_t i = 0; i + (value ? 0 : 1) < levels.size(); ++i) {
            if (levels[i].array) where += "[" + std::to_string(levels[i].index) + "]";
            else where += (where.empty() ? "" : ".") + levels[i].key;
        }
        return where.empty() ? "scenario" : where;
    }
};

}  // namespace

namespace {

// A scenario saved as UTF-16 or UTF-32 reads as garbage to the JSON parser: named, with the cure.
void refuseWideText(const std::string& text) {
    const auto starts = [&](std::string_view bytes) { return text.compare(0, bytes.size(), bytes) == 0; };
    const char* encoding = nullptr;
    using namespace std::string_view_literals;
    if (starts("\xFF\xFE\0\0"sv) || (text.size() >= 4 && text[0] != 0 && text[1] == 0 && text[2] == 0 && text[3] == 0))
        encoding = "UTF-32 (little-endian)";
    else if (starts("\0\0\xFE\xFF"sv) || (text.size() >= 4 && text[0] == 0 && text[1] == 0 && text[2] == 0 && text[3] != 0))
        encoding = "UTF-32 (big-endian)";
    else if (starts("\xFF\xFE"sv) || (text.size() >= 2 && text[0] != 0 && text[1] == 0))
        encoding = "UTF-16 (little-endian)";
    else if (starts("\xFE\xFF"sv) || (text.size() >= 2 && text[0] == 0 && text[1] != 0))
        encoding = "UTF-16 (big-endian)";
    if (encoding != nullptr)
        fail("scenario", std::string("the file is ") + encoding + " text; a scenario is read as UTF-8: save it as UTF-8");
}

json parseJson(const std::string& jsonText) {
    refuseWideText(jsonText);
    RepeatedKeyCheck repeatedKeys;
    try {
        return json::parse(jsonText, std::ref(repeatedKeys), true, /*ignore_comments=*/true);
    } catch (const json::parse_error& e) {
        throw ScenarioError(std::string("not valid JSON: ") + e.what());
    } catch (const json::exception& e) {
        // A number past a double's range ("frames": 1e400): the parser stops on it, where the
        // check of repeated keys has just been told which member or element it is.
        const std::string what = e.what();
        const auto quote = what.find('\'');
        fail(repeatedKeys.place(true), quote == std::string::npos
                                           ? what
                                           : "the number " + what.substr(quote) + " is past the range of a number (a double)");
    }
}

// What parses but may not be what the scenario means: a despawn of more peds than the world has,
// two weathers in one frame (the plugin sees only the last). Random events are counted, not noted.
void noteOddEvents(Scenario& scenario) {
    std::int64_t peds = scenario.peds.count;
    const ScenarioEvent* lastWeather = nullptr;
    for (const ScenarioEvent& event : scenario.events) {
        const bool placed = !event.place.empty();
        if (event.kind == EventKind::Spawn) peds += event.peds.count;
        if (event.kind == EventKind::Despawn) {
            if (placed && event.count > peds)
                scenario.notes.push_back(event.place + ".despawn: " + std::to_string(event.count) + " peds in frame " +
                                         std::to_string(event.frame) + ", when the world has " + std::to_string(peds) +
                                         " (the game despawns what there is)");
            peds = std::max<std::int64_t>(0, peds - event.count);
        }
        if (event.kind != EventKind::Weather) continue;
        if (placed && lastWeather != nullptr && lastWeather->frame == event.frame && !lastWeather->place.empty())
            scenario.notes.push_back(event.place + ".weather: a second weather in frame " + std::to_string(event.frame) +
                                     " (after " + lastWeather->place + "): the plugin sees only this one");
        lastWeather = &event;
    }
}

}  // namespace

Scenario parseScenario(const std::string& jsonText) {
    json root = parseJson(jsonText);
    checkKeys(root, "scenario", {"name", "description", "frames", "seed", "ini", "peds", "plugins", "events", "random"});
    Scenario scenario;
    if (root.contains("name")) scenario.name = text(root["name"], "name");
    if (root.contains("description")) scenario.description = text(root["description"], "description");
    if (!root.contains("frames")) fail("scenario", "\"frames\" is missing");
    scenario.frames = integer<std::uint32_t>(root["frames"], "frames", 1, kMostFrames);
    if (root.contains("seed")) scenario.seed = integer<std::uint64_t>(root["seed"], "seed", 0, ~0ull);
    if (root.contains("ini")) {
        const json& ini = root["ini"];
        if (ini.is_null()) {
            scenario.iniStart = Scenario::IniStart::Absent;
        } else {
            scenario.iniStart = Scenario::IniStart::Text;
            scenario.iniText = text(ini, "ini");
        }
    }
    if (root.contains("peds")) scenario.peds = pedGroup(root["peds"], "peds", scenario.notes);
    if (root.contains("plugins")) {
        const json& plugins = root["plugins"];
        if (!plugins.is_array() || plugins.empty()) fail("plugins", "expected a list of file names");
        scenario.plugins.clear();
        for (std::size_t i = 0; i < plugins.size(); ++i) {
            const std::string at = "plugins[" + std::to_string(i) + "]";
            const std::string name = pluginName(plugins[i], at);
            for (const std::string& earlier : scenario.plugins) {
                if (sameLetters(earlier, name)) fail(at, name + " is in the list already (file names compare without letter case)");
            }
            scenario.plugins.push_back(name);
        }
    }
    if (root.contains("events")) {
        const json& events = root["events"];
        if (!events.is_array()) fail("events", "expected a list");
        Draw draw(scenario.seed ^ 0xF11Eull);
        EventReading reading{scenario.frames, draw, scenario.events, scenario.notes};
        for (std::size_t i = 0; i < events.size(); ++i) parseEvent(events[i], "events[" + std::to_string(i) + "]", reading);
    }
    if (root.contains("random")) {
        const json& random = root["random"];
        checkKeys(random, "random", {"events", "maxPeds"});
        if (!random.contains("events")) fail("random", "\"events\" is missing");
        const auto count = integer<std::uint32_t>(random["events"], "random.events", 0, 10000000);
        std::int32_t maxPeds = 1500;
        if (random.contains("maxPeds")) maxPeds = integer<std::int32_t>(random["maxPeds"], "random.maxPeds", 0, 100000);
        addRandomEvents(scenario, count, maxPeds);
    }
    std::stable_sort(scenario.events.begin(), scenario.events.end(),
                     [](const ScenarioEvent& a, const ScenarioEvent& b) { return a.frame < b.frame; });
    checkPluginEvents(scenario, scenario.plugins);
    noteOddEvents(scenario);
    return scenario;
}

std::string eventsPastTheEnd(const Scenario& scenario, std::uint32_t frames) {
    const auto first = std::find_if(scenario.events.begin(), scenario.events.end(),
                                    [&](const ScenarioEvent& event) { return event.frame >= frames; });
    if (first == scenario.events.end()) return "";
    const auto left = scenario.events.end() - first;
    return "--frames " + std::to_string(frames) + " ends the run before " + std::to_string(left) + " of the scenario's " +
           std::to_string(scenario.events.size()) + " events, the first in frame " + std::to_string(first->frame) +
           (first->place.empty() ? std::string(" (a random event)") : " (" + first->place + ")") + ": they are not played";
}

void checkPluginEvents(const Scenario& scenario, const std::vector<std::string>& plugins) {
    // Every plugin of the game folder is loaded before the first frame.
    struct State {
        bool loaded = true;
        std::string why = "it is loaded before the first frame";
    };
    std::vector<State> states(plugins.size());
    std::string listed;
    for (const std::string& name : plugins) listed += (listed.empty() ? "" : ", ") + name;
    for (const ScenarioEvent& event : scenario.events) {
        if (event.kind != EventKind::Unload && event.kind != EventKind::Load) continue;
        const bool load = event.kind == EventKind::Load;
        const auto found = std::find_if(plugins.begin(), plugins.end(),
                                        [&](const std::string& name) { return sameLetters(name, event.text); });
        if (found == plugins.end())
            fail(event.place, event.text + " is not one of the game's plugins (" + listed + ")");
        State& state = states[static_cast<std::size_t>(found - plugins.begin())];
        if (state.loaded == load) {
            fail(event.place, "frame " + std::to_string(event.frame) + ": " + event.text + " is " +
                                  (load ? "loaded already" : "not loaded") + " (" + state.why + ")");
        }
        state.loaded = load;
        state.why = std::string(load ? "loaded again" : "unloaded") + " in frame " + std::to_string(event.frame) +
                    " by " + event.place;
    }
}

std::string describe(const ScenarioEvent& event) {
    char buffer[64];
    switch (event.kind) {
        case EventKind::Weather:
            std::snprintf(buffer, sizeof buffer, " (0x%08X)", static_cast<unsigned>(event.weatherHash));
            return "weather " + event.weatherName + buffer;
        case EventKind::Spawn: {
            std::string what = std::to_string(event.peds.count) + (event.peds.count == 1 ? " ped spawns" : " peds spawn");
            if (event.peds.exemptShare > 0) {
                std::snprintf(buffer, sizeof buffer, " (%.0f%% exempt)", event.peds.exemptShare * 100.0);
                what += buffer;
            }
            return what;
        }
        case EventKind::Despawn:
            return std::to_string(event.count) + (event.count == 1 ? " oldest ped despawns" : " oldest peds despawn");
        case EventKind::SetKey: return "set " + event.section + "." + event.key + " = " + shownText(event.text);
        case EventKind::DeleteKey: return "delete key " + event.section + "." + event.key;
        case EventKind::DeleteFile: return "delete Veltrane.ini";
        case EventKind::MakeDirectory: return "a directory named Veltrane.ini takes the file's place";
        case EventKind::WriteFile: {
            std::string shown = shownText(std::string_view(event.text).substr(0, 24));
            if (shown.front() != '"') shown = '"' + shown + '"';
            return "overwrite Veltrane.ini with " + std::to_string(event.text.size()) + " bytes: " + shown +
                   (event.text.size() > 24 ? " ..." : "");
        }
        case EventKind::Keystroke: {
            std::string codes;
            std::snprintf(buffer, sizeof buffer, "key 0x%02X", static_cast<unsigned>(event.keyCode));
            codes = buffer;
            if (event.lastKeyCode != event.keyCode) {
                std::snprintf(buffer, sizeof buffer, "keys 0x%02X-0x%02X", static_cast<unsigned>(event.keyCode),
                              static_cast<unsigned>(event.lastKeyCode));
                codes = buffer;
            }
            std::string what = codes + (event.flags.keyUp ? " up" : " down") + (event.flags.altHeld ? " with ALT" : "");
            const auto& f = event.flags;
            const bool odd = [](std::initializer_list<std::int32_t> v) {
                return std::any_of(v.begin(), v.end(), [](std::int32_t x) { return x != 0 && x != 1; });
            }({f.extended, f.altHeld, f.previouslyDown, f.keyUp});
            if (odd) {
                what += " (flags as passed: extended " + std::to_string(f.extended) + ", alt " + std::to_string(f.altHeld) +
                        ", previously down " + std::to_string(f.previouslyDown) + ", up " + std::to_string(f.keyUp) + ")";
            }
            return what;
        }
        case EventKind::Fault:
            if (event.setsReportedCount) {
                return event.reportedCount ? "fault on: worldGetAllPeds reports " + std::to_string(*event.reportedCount)
                                           : "fault off: worldGetAllPeds reports what it wrote";
            }
            return event.count > 0 ? "fault on: " + std::to_string(event.count) + " peds' damage modifier reads NaN"
                                   : "fault off: no damage modifier reads NaN";
        case EventKind::Unload: return "unload " + event.text;
        case EventKind::Load: return "load " + event.text;
        case EventKind::ResetDamage:
            if (!event.resetDamage) return "the game stops resetting damage modifiers";
            std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(*event.resetDamage));
            return std::string("the game resets every ped's damage modifier to ") + buffer + " before each frame";
    }
    return "?";
}

}  // namespace sim
