// Scenario files of the simulated game: what each action turns into, and what is refused.

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "settings/weather_hash.h"
#include "settings/weather_table.h"
#include "sim/scenario.h"

namespace {

using sim::EventKind;
using sim::parseScenario;
using sim::ScenarioEvent;

ScenarioEvent onlyEvent(const std::string& event) {
    const auto scenario = parseScenario(R"({"frames": 10, "events": [)" + event + "]}");
    EXPECT_EQ(scenario.events.size(), 1u) << event;
    return scenario.events.empty() ? ScenarioEvent{} : scenario.events[0];
}

TEST(Scenario, ReadsEachActionOfAnEvent) {
    auto e = onlyEvent(R"({"frame": 3, "weather": "Rain"})");
    EXPECT_EQ(e.kind, EventKind::Weather);
    EXPECT_EQ(e.frame, 3u);
    EXPECT_EQ(e.weatherHash, 0x54A69840u);
    EXPECT_EQ(onlyEvent(R"({"frame": 0, "weather": "0x12345678"})").weatherHash, 0x12345678u);
    EXPECT_EQ(onlyEvent(R"({"frame": 0, "weather": "0xff"})").weatherHash, 0xFFu);
    EXPECT_EQ(onlyEvent(R"({"frame": 0, "weather": "thunderSTORM"})").weatherHash, 0x7C1C4A13u);
    // A weather the plugin has no row for, said so on purpose: its name is hashed the game's way.
    e = onlyEvent(R"({"frame": 0, "weather": {"unknown": "Ashfall"}, "note": "no row"})");
    EXPECT_EQ(e.weatherName, "Ashfall");
    EXPECT_EQ(e.weatherHash, weatherHashOf("Ashfall"));

    e = onlyEvent(R"({"frame": 0, "spawn": {"count": 5, "accuracy": [10, 20], "damage": 0.5, "exempt": 0.2}})");
    EXPECT_EQ(e.kind, EventKind::Spawn);
    EXPECT_EQ(e.peds.count, 5);
    EXPECT_EQ(e.peds.accuracyMin, 10);
    EXPECT_EQ(e.peds.accuracyMax, 20);
    EXPECT_EQ(e.peds.damageMin, 0.5f);
    EXPECT_EQ(e.peds.damageMax, 0.5f);
    EXPECT_DOUBLE_EQ(e.peds.exemptShare, 0.2);

    // An INI value may be a JSON number; it goes into the file as JSON prints it.
    e = onlyEvent(R"({"frame": 0, "set": {"section": "S", "key": "K", "value": 0.5}})");
    EXPECT_EQ(e.kind, EventKind::SetKey);
    EXPECT_EQ(e.section + "." + e.key + "=" + e.text, "S.K=0.5");
    EXPECT_EQ(onlyEvent(R"({"frame": 0, "deleteKey": {"section": "S", "key": "K"}})").kind, EventKind::DeleteKey);
    EXPECT_EQ(onlyEvent(R"({"frame": 0, "deleteFile": true})").kind, EventKind::DeleteFile);
    EXPECT_EQ(onlyEvent(R"({"frame": 0, "writeFile": "\u0001garbage"})").text, "\x01garbage");

    e = onlyEvent(R"({"frame": 0, "fault": {"reportedPedCount": -1}})");
    EXPECT_TRUE(e.setsReportedCount);
    EXPECT_EQ(e.reportedCount, -1);
    e = onlyEvent(R"({"frame": 0, "fault": {"reportedPedCount": null}})");
    EXPECT_TRUE(e.setsReportedCount);
    EXPECT_FALSE(e.reportedCount.has_value());
    e = onlyEvent(R"({"frame": 0, "fault": {"nanDamage": 3}})");
    EXPECT_TRUE(e.setsNaNDamage);
    EXPECT_EQ(e.count, 3);
    EXPECT_EQ(onlyEvent(R"({"frame": 0, "fault": {"exemptAnswer": -2147483648}})").exemptAnswer, -2147483647 - 1);
    EXPECT_EQ(onlyEvent(R"({"frame": 0, "fault": {"slotHighHalf": 4294967295}})").slotHighHalf, 0xFFFFFFFFu);

    e = onlyEvent(R"({"frame": 0, "resetDamage": 1.25})");
    EXPECT_EQ(e.kind, EventKind::ResetDamage);
    EXPECT_EQ(e.resetDamage, 1.25f);
    e = onlyEvent(R"({"frame": 0, "resetDamage": null})");
    EXPECT_EQ(e.kind, EventKind::ResetDamage);
    EXPECT_FALSE(e.resetDamage.has_value());
}

TEST(Scenario, KeystrokesCarryTheirCodeAndFlags) {
    struct Case {
        const char* event;
        std::uint32_t code;
        std::uint32_t flagWord;
    };
    const Case cases[] = {
        {R"({"frame": 0, "key": {"code": "k"}})", 0x4B, 0x00000001},
        {R"({"frame": 0, "key": {"code": 300}})", 300, 0x00000001},
        {R"({"frame": 0, "key": {"code": "F5", "up": true}})", 0x74, 0xC0000001},
        {R"({"frame": 0, "key": {"code": "ESCAPE", "alt": true, "repeat": 2, "scan": 1, "extended": true}})", 0x1B,
         0x21010002},
        {R"({"frame": 0, "key": {"code": "7", "previouslyDown": true}})", 0x37, 0x40000001},
    };
    for (const Case& c : cases) {
        const auto e = onlyEvent(c.event);
        EXPECT_EQ(e.keyCode, c.code) << c.event;
        EXPECT_EQ(sim::packKeystrokeFlags(e.flags), c.flagWord) << c.event;
        EXPECT_EQ(sim::packKeystrokeFlags(sim::unpackKeystrokeFlags(c.flagWord)), c.flagWord) << c.event;
    }
    // A press is the key going down, then up; both messages keep the event's note.
    const auto press = parseScenario(R"({"frames": 1, "events": [{"frame": 0, "press": "K", "note": "twice"}]})");
    ASSERT_EQ(press.events.size(), 2u);
    EXPECT_FALSE(press.events[0].flags.keyUp);
    EXPECT_TRUE(press.events[1].flags.keyUp);
    EXPECT_EQ(press.events[1].note, "twice");
}

TEST(Scenario, KeyRangesAndOddFlagsPassAsGiven) {
    const auto e = onlyEvent(
        R"({"frame": 0, "key": {"code": [255, 65535], "extended": 7, "alt": 2, "previouslyDown": -1, "up": false}})");
    EXPECT_EQ(e.keyCode, 255u);
    EXPECT_EQ(e.lastKeyCode, 65535u);
    EXPECT_EQ(e.flags.extended, 7);
    EXPECT_EQ(e.flags.altHeld, 2);
    EXPECT_EQ(e.flags.previouslyDown, -1);
    EXPECT_EQ(e.flags.keyUp, 0);
    // The message's flag word carries one bit per flag: set when the flag is not zero.
    EXPECT_EQ(sim::packKeystrokeFlags(e.flags), 0x61000001u);
    const auto single = onlyEvent(R"({"frame": 0, "key": {"code": "K"}})");
    EXPECT_EQ(single.lastKeyCode, single.keyCode);
}

TEST(Scenario, WritesAFileFromParts) {
    struct Case {
        const char* parts;
        std::size_t size;
        const char* starts;
        const char* ends;
    };
    const Case cases[] = {
        {R"(["a", "b"])", 2, "ab", "ab"},
        {R"(["[S]\r\nK=", {"repeat": "0", "count": 9999}, "5"])", 7 + 9999 + 1, "[S]\r\nK=00", "0005"},
        {R"([{"repeat": "xy", "count": 0}, "z"])", 1, "z", "z"},
        {R"(["<", {"randomBytes": 4096}, ">"])", 4098, "<", ">"},
    };
    for (const Case& c : cases) {
        const std::string text = onlyEvent(std::string(R"({"frame": 0, "writeFile": )") + c.parts + "}").text;
        EXPECT_EQ(text.size(), c.size) << c.parts;
        EXPECT_EQ(text.rfind(c.starts, 0), 0u) << c.parts;
        EXPECT_EQ(text.compare(text.size() - std::strlen(c.ends), std::string::npos, c.ends), 0) << c.parts;
    }
    // Random bytes: NUL bytes among them, the same for the same seed, others for another.
    auto random = [](int seed) {
        return parseScenario(R"({"frames": 1, "seed": )" + std::to_string(seed) +
                             R"(, "events": [{"frame": 0, "writeFile": [{"randomBytes": 4096}]}]})")
            .events.at(0)
            .text;
    };
    EXPECT_NE(random(1).find('\0'), std::string::npos);
    EXPECT_EQ(random(1), random(1));
    EXPECT_NE(random(1), random(2));
}

TEST(Scenario, RandomEventsAreTheSameForASeedInFrameOrderAndKeepThePedsBounded) {
    const std::string json = R"({"frames": 1000, "seed": 5, "peds": {"count": 50},
                                 "events": [{"frame": 0, "weather": "Rain"}],
                                 "random": {"events": 2000, "maxPeds": 100}})";
    const auto scenario = parseScenario(json);
    ASSERT_EQ(scenario.events.size(), 2001u);
    EXPECT_EQ(scenario.events[0].weatherName, "Rain") << "the scenario's own events come first within a frame";
    std::map<EventKind, int> kinds;
    std::int64_t peds = 50, most = 50;
    for (std::size_t i = 0; i < scenario.events.size(); ++i) {
        const ScenarioEvent& e = scenario.events[i];
        if (i > 0) {
            EXPECT_LE(scenario.events[i - 1].frame, e.frame);
        }
        EXPECT_LT(e.frame, 1000u);
        ++kinds[e.kind];
        if (e.kind == EventKind::Spawn) peds += e.peds.count;
        if (e.kind == EventKind::Despawn) peds = std::max<std::int64_t>(0, peds - e.count);
        most = std::max(most, peds);
    }
    EXPECT_LE(most, 100);
    for (EventKind kind : {EventKind::Weather, EventKind::Spawn, EventKind::Despawn, EventKind::SetKey,
                           EventKind::DeleteKey, EventKind::DeleteFile, EventKind::WriteFile}) {
        EXPECT_GT(kinds[kind], 0) << "kind " << static_cast<int>(kind);
    }
    const auto again = parseScenario(json);
    for (std::size_t i = 0; i < scenario.events.size(); ++i) {
        EXPECT_EQ(describe(again.events[i]), describe(scenario.events[i])) << "event " << i;
        EXPECT_EQ(again.events[i].frame, scenario.events[i].frame) << "event " << i;
    }
}

TEST(Scenario, KeepsEventsInFrameOrderAndFileOrderWithinAFrame) {
    const auto scenario = parseScenario(R"({"frames": 10, "events": [
        {"frame": 5, "weather": "Rain"}, {"frame": 1, "weather": "Snow"}, {"frame": 5, "deleteFile": true}]})");
    ASSERT_EQ(scenario.events.size(), 3u);
    EXPECT_EQ(scenario.events[0].weatherName, "Snow");
    EXPECT_EQ(scenario.events[1].kind, EventKind::Weather);
    EXPECT_EQ(scenario.events[2].kind, EventKind::DeleteFile);
}

TEST(Scenario, AReloadIsAnUnloadAndALoadInTheNextFrameRepeated) {
    const auto scenario = parseScenario(R"({"frames": 10, "plugins": ["Veltrane.asi", "other.ASI"], "events": [
        {"frame": 2, "reload": {"plugin": "other.ASI", "times": 3, "every": 3}}]})");
    EXPECT_EQ(scenario.plugins, (std::vector<std::string>{"Veltrane.asi", "other.ASI"}));
    std::vector<std::string> events;
    for (const auto& event : scenario.events) events.push_back(std::to_string(event.frame) + " " + describe(event));
    EXPECT_EQ(events, (std::vector<std::string>{"2 unload other.ASI", "3 load other.ASI", "5 unload other.ASI",
                                                "6 load other.ASI", "8 unload other.ASI", "9 load other.ASI"}));
}

TEST(Scenario, StartsWithTheFileAsTheScenarioSays) {
    using Start = sim::Scenario::IniStart;
    EXPECT_EQ(parseScenario(R"({"frames": 1})").iniStart, Start::Keep);
    EXPECT_EQ(parseScenario(R"({"frames": 1, "ini": null})").iniStart, Start::Absent);
    const auto text = parseScenario(R"({"frames": 1, "ini": "[Settings]\r\nEnabled=0\r\n"})");
    EXPECT_EQ(text.iniStart, Start::Text);
    EXPECT_EQ(text.iniText, "[Settings]\r\nEnabled=0\r\n");
}

TEST(Scenario, RefusesWhatItCannotPlayAndSaysWhere) {
    struct Case {
        const char* json;
        const char* message;
    };
    const Case cases[] = {
        {"{", "not valid JSON"},
        {R"({"events": []})", "\"frames\" is missing"},
        {R"({"frames": 0})", "frames: 0 is out of range: a whole number from 1 to 1000000"},
        {R"({"frames": 5, "peds": {"count": 100001}})", "peds.count: 100001 is out of range: a whole number from 0 to 100000"},
        {R"({"frames": 5, "colour": 1})", "unknown key \"colour\""},
        {R"({"frames": 5, "events": [{"weather": "Rain"}]})", "events[0]: \"frame\" is missing"},
        {R"({"frames": 5, "events": [{"frame": 5, "weather": "Rain"}]})", "past the last frame, 4"},
        // A weather that is no hash and none of the plugin's, unless the scenario says it means one.
        {R"({"frames": 5, "events": [{"frame": 0, "weather": "0xDEADBEEZ"}]})",
         "events[0].weather: \"0xDEADBEEZ\" is not a hash: a hash is 0x and 1 to 8 hex digits"},
        {R"({"frames": 5, "events": [{"frame": 0, "weather": "0x1DEADBEEF"}]})", "at most 8 hex digits"},
        {R"({"frames": 5, "events": [{"frame": 0, "weather": "0x"}]})", "is not a hash"},
        {R"({"frames": 5, "events": [{"frame": 0, "weather": "12345"}]})",
         "\"12345\" is a number, not a weather; a hash is written in hex: for the hash 12345, write \"0x00003039\""},
        {R"({"frames": 5, "events": [{"frame": 0, "weather": "Rain"}, {"frame": 1, "weather": "Thunderstrom"}]})",
         "events[1].weather: \"Thunderstrom\" is none of the plugin's weathers; the nearest is \"Thunderstorm\". "
         "For a weather the plugin has no row for, write {\"unknown\": \"Thunderstrom\"}"},
        {R"({"frames": 5, "events": [{"frame": 0, "weather": "Overcastdrak"}]})", "the nearest is \"OvercastDark\""},
        {R"({"frames": 5, "events": [{"frame": 0, "weather": {"unknown": "rain"}}]})",
         "events[0].weather.unknown: \"rain\" is one of the plugin's weathers: write \"weather\": \"Rain\""},
        {R"({"frames": 5, "events": [{"frame": 0, "weather": {"unknown": "0x1234"}}]})", "a name, not a hash"},
        {R"({"frames": 5, "events": [{"frame": 0, "weather": {"name": "Ashfall"}}]})", "unknown key \"name\""},
        {R"({"frames": 5, "events": [{"frame": 0, "weather": 7}]})", "events[0].weather: expected a weather's name"},
        // A key beside the action is named, not taken for a second action.
        {R"({"frames": 5, "events": [{"frame": 0, "weather": "Rain", "notes": "x"}]})",
         "events[0]: unknown key \"notes\": an event has \"frame\", one action and an optional \"note\""},
        {R"({"frames": 5, "events": [{"frame": 0}]})", "exactly one action"},
        {R"({"frames": 5, "events": [{"frame": 0, "weather": "Rain", "deleteFile": true}]})", "exactly one action"},
        {R"({"frames": 5, "events": [{"frame": 0, "rain": true}]})", "unknown action \"rain\""},
        {R"({"frames": 5, "events": [{"frame": 0, "spawn": {"count": 1, "exempt": 2}}]})", "events[0].spawn.exempt"},
        {R"({"frames": 5, "events": [{"frame": 0, "spawn": {"count": 1, "accuracy": [9, 1]}}]})", "[low, high]"},
        {R"({"frames": 5, "events": [{"frame": 0, "set": {"section": "S", "key": "K"}}]})", "\"value\" is missing"},
        {R"({"frames": 5, "events": [{"frame": 0, "key": {"code": "NOSUCHKEY"}}]})", "unknown key name"},
        {R"({"frames": 5, "events": [{"frame": 0, "fault": {"nanDamage": 1, "reportedPedCount": 1}}]})",
         "one switch per fault event"},
        {R"({"frames": 5, "events": [{"frame": 0, "fault": {"exemptAnswer": 0}}]})", "any 32-bit number but 0"},
        {R"({"frames": 5, "events": [{"frame": 0, "deleteFile": false}]})", "\"deleteFile\": true"},
        {R"({"frames": 5, "events": [{"frame": 0, "iniDirectory": 1}]})", "\"iniDirectory\": true"},
        {R"({"frames": 5, "events": [{"frame": 0, "writeFile": [1]}]})", "events[0].writeFile[0]: expected a string"},
        {R"({"frames": 5, "events": [{"frame": 0, "writeFile": [{"repeat": "x"}]}]})", "\"count\" is missing"},
        {R"({"frames": 5, "events": [{"frame": 0, "writeFile": [{"repeat": "xy", "count": 40000000}]}]})",
         "more than 64 MiB"},
        {R"({"frames": 5, "events": [{"frame": 0, "key": {"code": "A", "alt": "yes"}}]})", "events[0].key.alt"},
        {R"({"frames": 5, "events": [{"frame": 0, "key": {"code": [300, 255]}}]})", "[low, high]"},
        {R"({"frames": 5, "random": {"maxPeds": 3}})", "random: \"events\" is missing"},
        {R"({"frames": 5, "events": [{"frame": 0, "resetDamage": "1"}]})", "events[0].resetDamage: expected a number"},
        {R"({"frames": 5, "frames": 6})", "scenario: \"frames\" is given twice"},
        {R"({"frames": 5, "events": [{"frame": 0, "spawn": {"count": 1, "accuracy": [1, 2]}},
                                     {"frame": 1, "set": {"section": "S", "key": "K", "value": "1", "value": "2"}}]})",
         "events[1].set: \"value\" is given twice"},
        {R"({"frames": 5, "plugins": ["Veltrane.dll"]})", "plugins[0]: a plugin's file name ending in .asi"},
        {R"({"frames": 5, "events": [{"frame": 0, "unload": "mods/Veltrane.asi"}]})", "events[0].unload: a plugin's"},
        {R"({"frames": 3, "events": [{"frame": 0, "reload": {"plugin": "a.asi", "times": 2, "every": 2}}]})",
         "the last load would come at frame 3"},
        {R"({"frames": 9, "events": [{"frame": 0, "reload": {"plugin": "a.asi", "times": 2, "every": 1}}]})",
         "events[0].reload.every: 1 is out of range: a whole number from 2 to 1000000"},
        // Unloads and loads, checked against the plugin list before the first frame.
        {R"({"frames": 5, "plugins": ["a.asi", "A.ASI"]})", "plugins[1]: A.ASI is in the list already"},
        {R"({"frames": 5, "events": [{"frame": 2, "unload": "Other.asi"}]})",
         "events[0].unload: Other.asi is not one of the game's plugins (Veltrane.asi)"},
        {R"({"frames": 5, "events": [{"frame": 2, "load": "veltrane.asi"}]})",
         "events[0].load: frame 2: veltrane.asi is loaded already (it is loaded before the first frame)"},
        {R"({"frames": 5, "events": [{"frame": 1, "unload": "Veltrane.asi"}, {"frame": 3, "unload": "Veltrane.asi"}]})",
         "events[1].unload: frame 3: Veltrane.asi is not loaded (unloaded in frame 1 by events[0].unload)"},
        {R"({"frames": 9, "events": [{"frame": 4, "unload": "Veltrane.asi"},
                                     {"frame": 0, "reload": {"plugin": "Veltrane.asi", "times": 3, "every": 3}}]})",
         "events[0].unload: frame 4: Veltrane.asi is not loaded (unloaded in frame 3 by events[1].reload (the unload of 2 of 3))"},
        // Numbers past a double's range stop the JSON parser itself: the place is still named.
        {R"({"frames": 1e400})", "frames: the number '1e400' is past the range of a number (a double)"},
        {R"({"frames": 5, "events": [{"frame": 0, "resetDamage": -1e999}]})", "events[0].resetDamage: the number '-1e999'"},
        {R"({"frames": 5, "peds": {"count": 1, "damage": [0.5, 1e309]}})", "peds.damage[1]: the number '1e309'"},
        // Past a float's range, where the game keeps a damage modifier.
        {R"({"frames": 5, "peds": {"count": 1, "damage": 1e39}})", "peds.damage: 1e+39 is past a float's range"},
        {R"({"frames": 5, "events": [{"frame": 0, "press": "F99999999999"}]})", "unknown key name \"F99999999999\""},
    };
    for (const Case& c : cases) {
        try {
            parseScenario(c.json);
            ADD_FAILURE() << "accepted " << c.json;
        } catch (const sim::ScenarioError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.json << " gave: " << e.what();
        }
    }
}

// Text that is no UTF-8: the encoding is named, not the parser's "invalid literal".
TEST(Scenario, NamesTheEncodingOfAWideFile) {
    const std::string json = R"({"frames": 1})";
    auto wide = [&](bool bom, bool bigEndian, int width) {
        std::string out = !bom ? "" : width == 4 ? (bigEndian ? std::string("\0\0\xFE\xFF", 4) : std::string("\xFF\xFE\0\0", 4))
                                              : (bigEndian ? "\xFE\xFF" : "\xFF\xFE");
        for (char c : json) {
            std::string unit(static_cast<std::size_t>(width), '\0');
            unit[bigEndian ? unit.size() - 1 : 0] = c;
            out += unit;
        }
        return out;
    };
    struct Case {
        bool bom, bigEndian;
        int width;
        const char* named;
    };
    const Case cases[] = {
        {true, false, 2, "UTF-16 (little-endian)"}, {false, false, 2, "UTF-16 (little-endian)"},
        {true, true, 2, "UTF-16 (big-endian)"},     {false, true, 2, "UTF-16 (big-endian)"},
        {true, false, 4, "UTF-32 (little-endian)"}, {false, true, 4, "UTF-32 (big-endian)"},
    };
    for (const Case& c : cases) {
        try {
            parseScenario(wide(c.bom, c.bigEndian, c.width));
            ADD_FAILURE() << "accepted " << c.named;
        } catch (const sim::ScenarioError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("scenario: the file is ") + c.named +
                                                 " text; a scenario is read as UTF-8: save it as UTF-8");
        }
    }
    EXPECT_EQ(parseScenario("\xEF\xBB\xBF" + json).frames, 1u) << "UTF-8 with its byte order mark is UTF-8";
}

// What plays but may not be meant is noted with its place, and only that.
TEST(Scenario, NotesWhatItPlaysButMayNotBeMeant) {
    struct Case {
        const char* json;
        std::vector<std::string> notes;
    };
    const Case cases[] = {
        {R"({"frames": 5, "events": [{"frame": 0, "set": {"section": "WeatherType_Rain", "key": "Acuracy_Rain", "value": 1}}]})",
         {"events[0].set.key: the plugin reads no key \"Acuracy_Rain\" in [WeatherType_Rain]; the nearest is \"Accuracy_Rain\""}},
        {R"({"frames": 5, "events": [{"frame": 0, "deleteKey": {"section": "WeatherType_Rian", "key": "Accuracy_Rain"}}]})",
         {"events[0].deleteKey.section: the plugin reads no section \"WeatherType_Rian\"; the nearest is \"WeatherType_Rain\""}},
        {R"({"frames": 5, "events": [{"frame": 0, "set": {"section": "settings", "key": "ENABLED", "value": 0}},
                                     {"frame": 0, "set": {"section": "WeatherType_Snow", "key": "DamageMod_Snow", "value": 0}}]})",
         {}},
        {R"({"frames": 5, "events": [{"frame": 1, "weather": "Rain"}, {"frame": 1, "weather": "Snow"},
                                     {"frame": 2, "weather": "Fog"}]})",
         {"events[1].weather: a second weather in frame 1 (after events[0]): the plugin sees only this one"}},
        {R"({"frames": 5, "peds": {"count": 3}, "events": [{"frame": 1, "spawn": {"count": 2}}, {"frame": 2, "despawn": 5},
                                                          {"frame": 3, "spawn": {"count": 1}}, {"frame": 4, "despawn": 1}]})",
         {}},
        {R"({"frames": 5, "peds": {"count": 3}, "events": [{"frame": 2, "despawn": 2}, {"frame": 3, "despawn": 4}]})",
         {"events[1].despawn: 4 peds in frame 3, when the world has 1 (the game despawns what there is)"}},
        {R"({"frames": 5, "peds": {"count": 1, "damage": [-0.5, 1]}, "events": [{"frame": 0, "resetDamage": -2}]})",
         {"peds.damage: -0.5 is a negative damage modifier, which no ped of the game has",
          "events[0].resetDamage: -2 is a negative damage modifier, which no ped of the game has"}},
    };
    for (const Case& c : cases) EXPECT_EQ(parseScenario(c.json).notes, c.notes) << c.json;
}

TEST(Scenario, SaysWhichEventsAShorterRunLeavesOut) {
    const auto scenario = parseScenario(R"({"frames": 100, "events": [{"frame": 10, "weather": "Rain"},
        {"frame": 60, "despawn": 1}, {"frame": 80, "weather": "Snow"}]})");
    EXPECT_EQ(sim::eventsPastTheEnd(scenario, 100), "");
    EXPECT_EQ(sim::eventsPastTheEnd(scenario, 61), "--frames 61 ends the run before 1 of the scenario's 3 events, the first in frame 80 (events[2]): they are not played");
    EXPECT_EQ(sim::eventsPastTheEnd(scenario, 60), "--frames 60 ends the run before 2 of the scenario's 3 events, the first in frame 60 (events[1]): they are not played");
}

}  // namespace
