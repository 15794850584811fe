#include "sim/scenario_events.h"

#include <limits>
#include <set>

#include "sim/scenario_notes.h"
#include "sim/scenario_plugins.h"
#include "sim/scenario_values.h"

namespace sim {

using namespace scenario_json;

namespace {

// An INI value may be written as a JSON string or number; numbers go in as JSON prints them.
std::string iniValue(const json& value, const std::string& where) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_number()) return value.dump();
    fail(where, "expected a string or a number, got " + value.dump());
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
    checkKeys(value, at, {"reportedPedCount", "nanDamage", "exemptAnswer", "slotHighHalf"});
    if (value.size() != 1) fail(at, "one switch per fault event");
    if (value.contains("exemptAnswer")) {
        // Any value but 0, which would say "not exempt".
        const auto answer = integer<std::int32_t>(value["exemptAnswer"], at + ".exemptAnswer",
                                                  std::numeric_limits<std::int32_t>::min(),
                                                  std::numeric_limits<std::int32_t>::max());
        if (answer == 0) fail(at + ".exemptAnswer", "any 32-bit number but 0");
        event.exemptAnswer = answer;
    } else if (value.contains("slotHighHalf")) {
        event.slotHighHalf = integer<std::uint32_t>(value["slotHighHalf"], at + ".slotHighHalf", 0,
                                                    std::numeric_limits<std::uint32_t>::max());
    } else if (value.contains("reportedPedCount")) {
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

}  // namespace

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

}  // namespace sim
