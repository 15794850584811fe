// Reads what veltrane-sim.exe left after playing tests/sim/fault_matrix.json with the real
// Veltrane.asi (the trace), and checks each case of the run: the plugin did what it should,
// and Veltrane.ini was the same, byte for byte, after each frame as before it. That the run
// played to the end without a crash is the play test's exit status.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "tests/sim/finished_run.h"

namespace {

using nlohmann::json;
using Names = std::vector<std::string>;

constexpr unsigned kFrames = 28;

std::string runDirectory() { return finished_run::directory("VELTRANE_SIM_FAULTS"); }

// The trace, split by frame: what each frame's calls, frame line and keystroke lines were.
struct Frame {
    std::vector<json> calls;
    std::vector<json> keystrokes;
    std::vector<std::string> events;
    json line;
};

const std::vector<Frame>& frames() {
    static const std::vector<Frame> byFrame = [] {
        std::vector<Frame> out(kFrames + 1);
        for (json& line : finished_run::trace(runDirectory())) {
            const auto frame = std::min<unsigned>(line["frame"].get<unsigned>(), kFrames);
            if (line["type"] == "call") out[frame].calls.push_back(std::move(line));
            else if (line["type"] == "keystrokes") out[frame].keystrokes.push_back(std::move(line));
            else if (line["type"] == "event") out[frame].events.push_back(line["what"]);
            else if (line["type"] == "frame") out[frame].line = std::move(line);
        }
        return out;
    }();
    return byFrame;
}

std::vector<json> natives(unsigned frame) { return finished_run::natives(frames()[frame].calls); }

// Each ped's natives in a frame, in order.
std::map<int, Names> pedNatives(unsigned frame) {
    std::map<int, Names> out;
    for (const json& call : natives(frame)) {
        if (call.contains("ped")) out[call["ped"]].push_back(call["name"]);
    }
    return out;
}

// The values written by `name` in a frame, each with the number of peds that got it.
std::map<std::string, int> written(unsigned frame, const char* name) {
    std::map<std::string, int> out;
    for (const json& call : natives(frame)) {
        if (call["name"] == name) ++out[call["value"].dump()];
    }
    return out;
}

json worldGetAllPeds(unsigned frame) { return finished_run::firstCall(frames()[frame].calls, "worldGetAllPeds"); }

// The peds the pass tested in a frame, in order.
std::vector<int> testedPeds(unsigned frame) {
    std::vector<int> out;
    for (const json& call : natives(frame)) {
        if (call["name"] == "PedExemptTest") out.push_back(call["ped"]);
    }
    return out;
}

TEST(FaultMatrix, PlayedEveryFrameAndUnloaded) {
    for (unsigned frame = 0; frame < kFrames; ++frame) ASSERT_FALSE(frames()[frame].line.is_null()) << "frame " << frame;
    const std::vector<json>& unload = frames()[kFrames].calls;
    ASSERT_EQ(unload.size(), 2u);
    EXPECT_EQ(unload[0]["call"], "scriptUnregister");
    EXPECT_EQ(unload[1]["call"], "keyboardHandlerUnregister");
}

// Every case: the file is never written while the plugin runs (it never has to create it:
// no frame starts without one), and nothing crashes on the way.
TEST(FaultMatrix, NoCaseChangesTheFile) {
    struct Case {
        const char* what;
        unsigned first, last;
    };
    const Case cases[] = {
        {"a directory named Veltrane.ini", 0, 3},   {"64 KiB of random bytes", 4, 7},
        {"a file of 1 MiB", 8, 11},                 {"values of 10,000 characters", 12, 13},
        {"5,000 peds", 14, 15},                     {"a count of -1", 16, 17},
        {"damage modifiers that read NaN", 20, 23}, {"a weather without a row after Rain", 24, 25},
        {"odd key codes and flags", 26, 27},
    };
    for (const Case& c : cases) {
        for (unsigned frame = c.first; frame <= c.last; ++frame) {
            EXPECT_EQ(frames()[frame].line["iniDuringFrame"], "unchanged") << c.what << ", frame " << frame;
            EXPECT_EQ(frames()[frame].line["ini"], true) << c.what << ", frame " << frame;
        }
    }
}

TEST(FaultMatrix, UnreadableSwitchKeepsThePluginIdle) {
    // A directory named Veltrane.ini counts as a file (no default file is written) from which
    // every read gives its default; 64 KiB of garbage has no [Settings] section. Enabled
    // reads false either way.
    for (unsigned frame = 0; frame < 8; ++frame) EXPECT_TRUE(natives(frame).empty()) << "frame " << frame;
    ASSERT_EQ(frames()[4].events.size(), 2u);
    EXPECT_NE(frames()[4].events[1].find("65536 bytes"), std::string::npos) << frames()[4].events[1];
}

TEST(FaultMatrix, EachFrameAppliesWhatTheFileAndTheWeatherAsk) {
    struct Case {
        const char* what;
        unsigned frame;
        const char* native;
        std::map<std::string, int> values;  // value -> peds that got it (16 peds are not exempt)
    };
    const Case cases[] = {
        {"no listed weather seen yet: damage modifier 0.0", 8, "PedDamageModWrite", {{"0.0", 16}}},
        {"no listed weather seen yet: then accuracy 0", 9, "PedAccuracyWrite", {{"0", 16}}},
        {"Rain's row at the end of 1 MiB", 10, "PedDamageModWrite", {{"0.25", 16}}},
        {"Rain's row at the end of 1 MiB", 11, "PedAccuracyWrite", {{"33", 16}}},
        {"a 10,000-character damage modifier", 12, "PedDamageModWrite", {{"0.5", 16}}},
        {"a 10,000-character accuracy: its first 255 characters, all zeros", 13, "PedAccuracyWrite", {{"0", 16}}},
    };
    for (const Case& c : cases) EXPECT_EQ(written(c.frame, c.native), c.values) << c.what << ", frame " << c.frame;
    // One value per ped and frame: the other kind of write waits.
    for (unsigned frame = 8; frame < 14; ++frame) {
        const char* other = frame % 2 == 0 ? "PedAccuracyWrite" : "PedDamageModWrite";
        EXPECT_TRUE(written(frame, other).empty()) << "frame " << frame;
    }
    const std::string event = frames()[8].events.at(0);
    EXPECT_NE(event.find("1048576 bytes"), std::string::npos) << event;
}

TEST(FaultMatrix, FiveThousandPedsGiveTheFirst1024) {
    for (unsigned frame : {14u, 15u}) {
        const json peds = worldGetAllPeds(frame);
        ASSERT_FALSE(peds.is_null());
        EXPECT_EQ(peds["args"][0], 1024) << "frame " << frame;
        EXPECT_EQ(peds["result"], 5000) << "frame " << frame;
        std::vector<int> expected(1024);
        for (int i = 0; i < 1024; ++i) expected[static_cast<std::size_t>(i)] = 0x100 + i;
        EXPECT_EQ(testedPeds(frame), expected) << "frame " << frame;
    }
    // 4 of the 20 first peds are exempt: 1020 peds get 1.5, then 40.
    EXPECT_EQ(written(14, "PedDamageModWrite"), (std::map<std::string, int>{{"1.5", 1020}}));
    EXPECT_EQ(written(15, "PedAccuracyWrite"), (std::map<std::string, int>{{"40", 1020}}));
}

TEST(FaultMatrix, ANegativeCountVisitsNoPed) {
    for (unsigned frame : {16u, 17u}) {
        EXPECT_EQ(natives(frame).size(), 1u) << "frame " << frame;
        EXPECT_EQ(finished_run::firstNative(frames()[frame].calls), "WeatherQuery") << "frame " << frame;
        EXPECT_EQ(worldGetAllPeds(frame)["result"], 0xFFFFFFFFu) << "frame " << frame;
    }
}

TEST(FaultMatrix, NaNDamageModifierCountsAsMatching) {
    std::set<int> nanPeds;
    for (const json& call : natives(20)) {
        if (call["name"] == "PedDamageModRead" && call["value"] == "NaN") nanPeds.insert(call["ped"].get<int>());
    }
    ASSERT_EQ(nanPeds.size(), 5u);
    // Straight on to the accuracy, already 40: no write at all.
    for (const auto& [ped, calls] : pedNatives(20)) {
        const Names expected = nanPeds.count(ped)
                                   ? Names{"PedExemptTest", "PedDamageModRead", "PedAccuracyRead"}
                                   : Names{"PedExemptTest", "PedDamageModRead", "PedDamageModWrite"};
        EXPECT_EQ(calls, expected) << "ped " << ped;
    }
    EXPECT_EQ(written(20, "PedDamageModWrite"), (std::map<std::string, int>{{"0.75", 15}}));
    for (unsigned frame = 21; frame < 24; ++frame) {
        for (const json& call : natives(frame)) {
            if (call["name"] == "PedDamageModWrite") {
                EXPECT_EQ(nanPeds.count(call["ped"].get<int>()), 0u) << call.dump();
            }
        }
    }
}

TEST(FaultMatrix, WeatherWithoutARowAfterRainKeepsRainsValues) {
    // The file now asks 2.5 of Rain, but a weather without a row reads nothing.
    EXPECT_EQ(written(24, "PedDamageModWrite"), (std::map<std::string, int>{{"0.75", 1}}));
    EXPECT_EQ(written(25, "PedAccuracyWrite"), (std::map<std::string, int>{{"40", 1}}));
}

TEST(FaultMatrix, KeystrokesChangeOnlyTheirKeysEntry) {
    struct Case {
        const char* what;
        unsigned frame;
        std::size_t index;
        std::uint64_t bytesAtMost;  // 0: nothing may change
        const char* spanEnds;       // the entry's three flags as stored, little-endian
    };
    const Case cases[] = {
        {"keys 255 to 65,535", 26, 0, 0, ""},
        {"key 0x41, flags 2, -1, 0x12345678", 26, 1, 16, "02000000ffffffff78563412"},
        {"key 254, flags INT_MIN, 3, -16", 27, 0, 16, "0000008003000000f0ffffff"},
    };
    for (const Case& c : cases) {
        const json& line = frames()[c.frame].keystrokes.at(c.index);
        const auto bytes = line["pluginBytesChanged"].get<std::uint64_t>();
        const std::string span = line["changedSpan"];
        if (c.bytesAtMost == 0) {
            EXPECT_EQ(bytes, 0u) << c.what << ": " << span;
            continue;
        }
        EXPECT_GT(bytes, 0u) << c.what;
        EXPECT_LE(span.size(), 2 * c.bytesAtMost) << c.what << ": " << span;
        const std::string ends = c.spanEnds;
        EXPECT_TRUE(span.size() >= ends.size() && span.compare(span.size() - ends.size(), ends.size(), ends) == 0)
            << c.what << ": " << span;
    }
    EXPECT_EQ(frames()[26].keystrokes.at(0)["codes"], (json{255, 65535}));

    // No handler called a native, and the pass goes on as settled as before: the keystrokes
    // left the pass's values alone.
    for (unsigned frame : {26u, 27u}) {
        const std::vector<json>& calls = frames()[frame].calls;
        for (std::size_t i = 0; i + 1 < calls.size(); ++i) {
            if (calls[i]["call"] == "keyboardMessage") {
                ASSERT_NE(calls[i + 1]["call"], "native") << "frame " << frame;
            }
        }
        EXPECT_EQ(finished_run::firstNative(calls), "WeatherQuery") << "frame " << frame;
        EXPECT_TRUE(written(frame, "PedDamageModWrite").empty()) << "frame " << frame;
        EXPECT_TRUE(written(frame, "PedAccuracyWrite").empty()) << "frame " << frame;
    }
}

}  // namespace
