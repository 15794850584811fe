// Reads what veltrane-sim.exe left after playing tests/sim/cases.json with the real
// Veltrane.asi and the stand-in host (the trace and the game directory), and checks the
// plugin's whole job frame by frame. Runs under Wine, so the settings file is read back
// through kernel32's own profile functions.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/windows_api.h"
#include "settings/weather_table.h"
#include "tests/sim/finished_run.h"

namespace {

using nlohmann::json;
using Names = std::vector<std::string>;

std::string runDirectory() { return finished_run::directory("VELTRANE_SIM_E2E"); }

const std::vector<json>& trace() {
    static const std::vector<json> lines = finished_run::trace(runDirectory());
    return lines;
}

std::vector<json> callsIn(unsigned frame) {
    return finished_run::linesWhere(trace(), [frame](const json& line) { return line["type"] == "call" && line["frame"] == frame; });
}

std::vector<json> nativesIn(unsigned frame) { return finished_run::natives(callsIn(frame)); }

// The natives one ped received in a frame, in order.
Names pedNatives(unsigned frame, int ped) {
    Names out;
    for (const json& call : nativesIn(frame)) {
        if (call.value("ped", -1) == ped) out.push_back(call["name"]);
    }
    return out;
}

// The value of the one write of `name` to `ped` in `frame`.
json writtenValue(unsigned frame, int ped, const char* name) {
    for (const json& call : nativesIn(frame)) {
        if (call["name"] == name && call.value("ped", -1) == ped) return call["value"];
    }
    return nullptr;
}

json frameLine(unsigned frame) {
    for (const json& line : trace()) {
        if (line["type"] == "frame" && line["frame"] == frame) return line;
    }
    return nullptr;
}

std::vector<json> hostCalls() {
    return finished_run::linesWhere(trace(), [](const json& line) { return line["type"] == "call" && line["call"] != "native"; });
}

constexpr int kExempt = 0x100, kDamageDiffers = 0x101, kAccuracyDiffers = 0x102, kBothEqual = 0x103, kLate = 0x104;

TEST(SimulatedGame, PlayedEveryFrame) {
    ASSERT_FALSE(trace().empty()) << "no trace in " << runDirectory();
    EXPECT_FALSE(frameLine(13).is_null());
}

TEST(SimulatedGame, DllMainRegistersScriptThenKeyboardAndUnregistersInTheSameOrder) {
    const std::vector<json> calls = hostCalls();
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls[0]["call"], "scriptRegister");
    EXPECT_EQ(calls[1]["call"], "keyboardHandlerRegister");
    EXPECT_EQ(calls[calls.size() - 2]["call"], "scriptUnregister");
    EXPECT_EQ(calls.back()["call"], "keyboardHandlerUnregister");
    EXPECT_EQ(calls[calls.size() - 2]["args"][0], calls[0]["args"][0]) << "unregistered another module";
    EXPECT_EQ(calls.back()["args"][0], calls[1]["args"][0]) << "unregistered another handler";
}

TEST(SimulatedGame, ScriptStartsInTheFirstFrameAndYieldsOncePerFrame) {
    const json start = finished_run::firstCall(callsIn(0), "scriptStart");
    ASSERT_FALSE(start.is_null());
    EXPECT_EQ(start["args"][1], hostCalls()[0]["args"][1]) << "started another entry than registered";
    for (unsigned frame = 0; frame <= 13; ++frame) {
        const std::vector<json> calls = callsIn(frame);
        const auto waits = std::count_if(calls.begin(), calls.end(), [](const json& c) { return c["call"] == "scriptWait"; });
        EXPECT_EQ(waits, 1) << "frame " << frame;
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back()["call"], "scriptWait") << "frame " << frame;
        EXPECT_EQ(calls.back()["args"][0], 0) << "frame " << frame;
    }
}

TEST(SimulatedGame, FirstStartTunesFromTheFirstFrame) { EXPECT_EQ(finished_run::firstNative(callsIn(0)), "WeatherQuery"); }

TEST(SimulatedGame, KeystrokesReachTheHandlerWithTheirFlagsAndCallNoNative) {
    const json handler = hostCalls()[1]["args"][0];
    struct Expected {
        unsigned key;
        std::uint32_t flags;
    };
    const Expected expected[] = {
        {0x4B, 0x00000001u},                   // K down
        {0x4B, 0xC0000001u},                   // K up: previously down, transition
        {300, 0x00000001u},                    // above 254, still handed over
        {0x4B, 0x20000002u | (37u << 16)},     // ALT+K, repeat 2, scan code 37
    };
    const std::vector<json> calls = callsIn(1);
    std::size_t seen = 0;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i]["call"] != "keyboardMessage") continue;
        ASSERT_LT(seen, std::size(expected));
        EXPECT_EQ(calls[i]["args"][0], handler);
        EXPECT_EQ(calls[i]["args"][1], expected[seen].key) << "keystroke " << seen;
        EXPECT_EQ(calls[i]["args"][2], expected[seen].flags) << "keystroke " << seen;
        ASSERT_LT(i + 1, calls.size());
        EXPECT_NE(calls[i + 1]["call"], "native") << "the handler of keystroke " << seen << " called a native";
        ++seen;
    }
    EXPECT_EQ(seen, std::size(expected));
}

TEST(SimulatedGame, EachCaseOfTheTuningPassMakesItsNativeCalls) {
    struct Case {
        const char* what;
        unsigned frame;
        int ped;
        Names calls;
    };
    const Case cases[] = {
        {"exempt", 2, kExempt, {"PedExemptTest"}},
        {"damage differs", 2, kDamageDiffers, {"PedExemptTest", "PedDamageModRead", "PedDamageModWrite"}},
        {"damage equal, accuracy differs", 2, kAccuracyDiffers,
         {"PedExemptTest", "PedDamageModRead", "PedAccuracyRead", "PedAccuracyWrite"}},
        {"both equal", 2, kBothEqual, {"PedExemptTest", "PedDamageModRead", "PedAccuracyRead"}},
        {"accuracy outside 0-100", 3, kAccuracyDiffers, {"PedExemptTest", "PedDamageModRead"}},
        {"sentinel, exempt", 4, kExempt, {"PedExemptTest"}},
        {"sentinel, first tuned ped", 4, kDamageDiffers,
         {"PedExemptTest", "PedAccuracyRead", "PedDamageModRead", "PedAccuracyRead", "PedAccuracyWrite"}},
        {"sentinel, later ped", 4, kAccuracyDiffers,
         {"PedExemptTest", "PedDamageModRead", "PedAccuracyRead", "PedAccuracyWrite"}},
    };
    for (const Case& c : cases) EXPECT_EQ(pedNatives(c.frame, c.ped), c.calls) << c.what;

    struct Write {
        const char* what;
        unsigned frame;
        int ped;
        const char* native;
        json value;
    };
    const Write writes[] = {
        {"Rain's damage modifier", 2, kDamageDiffers, "PedDamageModWrite", 0.5},
        {"Rain's accuracy", 2, kAccuracyDiffers, "PedAccuracyWrite", 50},
        {"the first tuned ped's 10 OR 0x2C", 4, kDamageDiffers, "PedAccuracyWrite", 46},
        {"the same for a later ped", 4, kBothEqual, "PedAccuracyWrite", 46},
    };
    for (const Write& w : writes) EXPECT_EQ(writtenValue(w.frame, w.ped, w.native), w.value) << w.what;
}

TEST(SimulatedGame, AnEditTakesEffectInTheNextFrame) {
    for (int ped : {kDamageDiffers, kAccuracyDiffers, kBothEqual}) {
        EXPECT_EQ(writtenValue(6, ped, "PedDamageModWrite"), 0.75) << "ped " << ped;
    }
}

TEST(SimulatedGame, WeatherQueryWritesCorruptNothingTheNextPassesUse) {
    // Every pass gets two 8-byte-aligned cells from the plugin.
    for (unsigned frame : {0u, 7u}) {
        const json query = nativesIn(frame).at(0);
        ASSERT_EQ(query["name"], "WeatherQuery");
        for (int i = 0; i < 2; ++i) EXPECT_EQ(query["args"][i].get<std::uint64_t>() % 8, 0u) << "frame " << frame;
    }
    // Under a weather with no row the plugin applies the values kept from Rain: a slot that
    // took the game's upper half would have changed them.
    EXPECT_EQ(writtenValue(7, kLate, "PedDamageModWrite"), 0.75);
    EXPECT_EQ(writtenValue(8, kLate, "PedAccuracyWrite"), 50);
    EXPECT_EQ(pedNatives(8, kBothEqual), (Names{"PedExemptTest", "PedDamageModRead", "PedAccuracyRead"}));
}

TEST(SimulatedGame, DeletedFileGivesOneFrameWithTheSwitchOffThenComesBack) {
    EXPECT_TRUE(nativesIn(9).empty());
    EXPECT_EQ(frameLine(9)["ini"], true) << "the file was not written again in the frame that found it missing";
    EXPECT_EQ(finished_run::firstNative(callsIn(10)), "WeatherQuery");
}

TEST(SimulatedGame, FaultSwitchesOfTheWorldReachThePlugin) {
    // A negative count: the weather is queried, no ped is visited.
    EXPECT_EQ(nativesIn(11).size(), 1u);
    EXPECT_EQ(finished_run::firstNative(callsIn(11)), "WeatherQuery");

    // A NaN damage modifier counts as matching: no damage write, straight to the accuracy,
    // here the first tuned ped's 50 OR 0x2C. The next ped still gets the default file's 1.
    EXPECT_EQ(pedNatives(12, kDamageDiffers),
              (Names{"PedExemptTest", "PedAccuracyRead", "PedDamageModRead", "PedAccuracyRead", "PedAccuracyWrite"}));
    EXPECT_EQ(writtenValue(12, kDamageDiffers, "PedAccuracyWrite"), 62);
    EXPECT_EQ(writtenValue(12, kAccuracyDiffers, "PedDamageModWrite"), 1.0);

    // A host reporting 5000 handles: the plugin visits no more than its 1024-entry buffer.
    const std::vector<json> calls = callsIn(13);
    const json peds = finished_run::firstCall(calls, "worldGetAllPeds");
    ASSERT_FALSE(peds.is_null());
    EXPECT_EQ(peds["result"], 5000);
    const auto tests = std::count_if(calls.begin(), calls.end(), [](const json& c) { return c.value("name", "") == "PedExemptTest"; });
    EXPECT_EQ(tests, 1024);
}

// The file the plugin wrote again after the deletion, read back through kernel32.
TEST(SimulatedGame, DefaultFileHoldsEveryEntry) {
    const std::string path = runDirectory() + "/game/Veltrane.ini";
    auto read = [&](const char* section, const char* key) {
        char buffer[256];
        GetPrivateProfileStringA(section, key, "<missing>", buffer, sizeof buffer, path.c_str());
        return std::string(buffer);
    };
    auto keysOf = [&](const char* section) {
        char buffer[4096];
        const DWORD size = GetPrivateProfileSectionA(section, buffer, sizeof buffer, path.c_str());
        Names keys;
        for (const char* p = buffer; p < buffer + size && *p; p += std::strlen(p) + 1) keys.emplace_back(p);
        return keys;
    };
    EXPECT_EQ(read("Settings", "Enabled"), "1");
    EXPECT_EQ(keysOf("Settings"), (Names{"Enabled=1"}));
    for (const WeatherEntry& weather : weatherTable) {
        const std::string w = weather.name;
        const std::string section = "WeatherType_" + w;
        EXPECT_EQ(keysOf(section.c_str()), (Names{"Accuracy_" + w + "=12829", "DamageMod_" + w + "=1"})) << section;
    }
    char names[4096];
    const DWORD size = GetPrivateProfileSectionNamesA(names, sizeof names, path.c_str());
    std::size_t sections = 0;
    for (const char* p = names; p < names + size && *p; p += std::strlen(p) + 1) ++sections;
    EXPECT_EQ(sections, 1 + kWeatherCount);
}

}  // namespace
