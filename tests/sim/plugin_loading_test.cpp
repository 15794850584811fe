// Reads what veltrane-sim.exe left after playing asi_loader.json (Veltrane.asi and the probe
// plugin side by side, each unloaded and loaded again) and reload.json (Veltrane.asi unloaded
// and loaded again), and checks that plugins load, share the game and come back the way a
// player's game has them. The game itself stops a run when a module stays mapped after
// FreeLibrary or the host still holds anything in it; these check what a finished run shows.

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
#include "tests/support/whole_file.h"

namespace {

using nlohmann::json;


// The module (scriptRegister's first argument) and keyboard handler of each load of a plugin,
// from the first registrations after the trace's line that names it (the loader's at the
// start, a "load" event later).
struct Load {
    json module, handler;
};
std::vector<Load> loadsOf(const std::vector<json>& trace, const std::string& name) {
    std::vector<Load> loads;
    bool named = false;
    for (const json& line : trace) {
        if (line["type"] == "event" || line["type"] == "loader") {
            named = line.value("plugin", "") == name || line.value("what", "") == "load " + name;
            if (named) loads.emplace_back();
        } else if (named && line["type"] == "call") {
            if (line["call"] == "scriptRegister" && loads.back().module.is_null()) loads.back().module = line["args"][0];
            if (line["call"] == "keyboardHandlerRegister" && loads.back().handler.is_null())
                loads.back().handler = line["args"][0];
        }
    }
    return loads;
}

// The modules whose scripts ran in each frame (scriptStart or scriptResume).
std::map<unsigned, std::set<json>> scriptsByFrame(const std::vector<json>& trace) {
    std::map<unsigned, std::set<json>> out;
    for (const json& line : trace) {
        if (line["type"] == "call" && (line["call"] == "scriptStart" || line["call"] == "scriptResume"))
            out[line["frame"]].insert(line["args"][0]);
    }
    return out;
}

std::vector<json> nativesNamed(const std::vector<json>& trace, unsigned frame, const char* name) {
    std::vector<json> out;
    for (const json& line : trace) {
        if (line["type"] == "call" && line["frame"] == frame && line["call"] == "native" && line["name"] == name)
            out.push_back(line);
    }
    return out;
}

// The trace of the run that the variable names, read once for all of a suite's tests.
template <const char* kRunVariable>
class RunTrace : public ::testing::Test {
protected:
    static void SetUpTestSuite() { trace = finished_run::trace(finished_run::directory(kRunVariable)); }
    static inline std::vector<json> trace;
};

constexpr char kAsiLoaderRun[] = "VELTRANE_SIM_ASI_LOADER";
constexpr char kReloadRun[] = "VELTRANE_SIM_RELOAD";
using AsiLoader = RunTrace<kAsiLoaderRun>;
using Reload = RunTrace<kReloadRun>;

TEST_F(AsiLoader, LoadsEveryPluginOfTheFolderInNameOrderAfterTheHost) {
    std::vector<std::string> loaded;
    for (const json& line : trace) {
        if (line["type"] == "loader") loaded.push_back(line["plugin"]);
    }
    EXPECT_EQ(loaded, (std::vector<std::string>{"asi_probe.asi", "Veltrane.asi"}));
    const auto probe = loadsOf(trace, "asi_probe.asi"), veltrane = loadsOf(trace, "Veltrane.asi");
    ASSERT_EQ(probe.size(), 2u);
    ASSERT_EQ(veltrane.size(), 2u);
    EXPECT_NE(probe[0].module, veltrane[0].module);
    EXPECT_NE(probe[0].handler, veltrane[0].handler);
}

TEST_F(AsiLoader, BothScriptsRunInEveryFrameTheyAreLoadedAndOnlyThen) {
    const auto probe = loadsOf(trace, "asi_probe.asi"), veltrane = loadsOf(trace, "Veltrane.asi");
    ASSERT_EQ(probe.size(), 2u);
    ASSERT_EQ(veltrane.size(), 2u);
    const auto ran = scriptsByFrame(trace);
    for (unsigned frame = 0; frame < 12; ++frame) {
        std::set<json> expected;
        // The probe is away in frames 4 and 5, Veltrane in frames 8 and 9.
        if (frame < 4) expected.insert(probe[0].module);
        if (frame >= 6) expected.insert(probe[1].module);
        if (frame < 8) expected.insert(veltrane[0].module);
        if (frame >= 10) expected.insert(veltrane[1].module);
        const auto found = ran.find(frame);
        EXPECT_EQ(found == ran.end() ? std::set<json>{} : found->second, expected) << "frame " << frame;
    }
}

TEST_F(AsiLoader, KeystrokesReachEveryLoadedHandler) {
    std::map<unsigned, std::vector<json>> handlers;
    for (const json& line : trace) {
        if (line["type"] == "call" && line["call"] == "keyboardMessage") handlers[line["frame"]].push_back(line["args"][0]);
    }
    const auto probe = loadsOf(trace, "asi_probe.asi"), veltrane = loadsOf(trace, "Veltrane.asi");
    ASSERT_EQ(probe.size(), 2u);
    ASSERT_EQ(veltrane.size(), 2u);
    // In the order registered: the probe first (it loaded first), until it came back in frame 6.
    EXPECT_EQ(handlers[2], (std::vector<json>{probe[0].handler, veltrane[0].handler}));
    EXPECT_EQ(handlers[7], (std::vector<json>{veltrane[0].handler, probe[1].handler, veltrane[0].handler, probe[1].handler}));
    EXPECT_EQ(handlers[9], (std::vector<json>{probe[1].handler, probe[1].handler})) << "Veltrane is unloaded in frame 9";
    EXPECT_EQ(handlers.size(), 3u);
}

TEST_F(AsiLoader, TheProbeKeptItsOwnCountsAndVeltraneItsTuning) {
    // The probe's second load ran frames 6 to 11 and got F5 and F6 down and up; had anyone
    // changed its counters, it would have stopped the run.
    EXPECT_EQ(readFile(finished_run::directory(kAsiLoaderRun) + "/game/asi_probe.txt"), "frames 6 keys 4\r\n");
    // Veltrane tunes the peds that arrive while the probe is away as it tuned the first ones.
    for (unsigned frame : {0u, 4u}) {
        const auto damage = nativesNamed(trace, frame, "PedDamageModWrite");
        const auto accuracy = nativesNamed(trace, frame + 1, "PedAccuracyWrite");
        EXPECT_EQ(damage.size(), frame == 0 ? 6u : 2u) << "frame " << frame;
        EXPECT_EQ(accuracy.size(), damage.size()) << "frame " << frame + 1;
        for (const json& call : damage) EXPECT_EQ(call["value"], 0.5) << "frame " << frame;
        for (const json& call : accuracy) EXPECT_EQ(call["value"], 70) << "frame " << frame + 1;
    }
}

TEST_F(Reload, TheFirstFramesAfterALoadStartFromZeroAsAtTheFirstLoad) {
    // In the weather without a row the plugin keeps its last values: 70 and 0.5 before the
    // unload, nothing to change; after the load, zero: damage modifier 0.0, then accuracy 0.
    EXPECT_TRUE(nativesNamed(trace, 3, "PedDamageModWrite").empty());
    EXPECT_TRUE(nativesNamed(trace, 3, "PedAccuracyWrite").empty());
    const auto damage = nativesNamed(trace, 5, "PedDamageModWrite");
    const auto accuracy = nativesNamed(trace, 6, "PedAccuracyWrite");
    EXPECT_EQ(damage.size(), 4u);
    EXPECT_EQ(accuracy.size(), 4u);
    for (const json& call : damage) EXPECT_EQ(call["value"], 0.0);
    for (const json& call : accuracy) EXPECT_EQ(call["value"], 0);
}

TEST_F(Reload, EveryByteThePluginChangedIsBackToItsFirstLoadValue) {
    // The key of frame 1 changed the keyboard table, so the watch has bytes to look at.
    bool keyChangedMemory = false;
    for (const json& line : trace) {
        if (line["type"] == "keystrokes" && line["frame"] == 1) keyChangedMemory = line["pluginBytesChanged"] > 0;
    }
    EXPECT_TRUE(keyChangedMemory);
    std::ifstream in(finished_run::directory(kReloadRun) + "/resources.csv");
    std::string header, row;
    std::getline(in, header);
    ASSERT_EQ(header, "load,plugin,frame,plugin_base,process_tls_index,process_handles,process_next_handle,"
                      "process_private_bytes,process_heap_bytes,process_working_set,plugin_state_bytes_kept");
    int loads = 0;
    while (std::getline(in, row)) {
        // Every row names its plugin and gives that plugin's base, the start's row included.
        EXPECT_EQ(row.find(",Veltrane.asi,"), row.find(',')) << row;
        EXPECT_EQ(row.find(",0x0,"), std::string::npos) << row;
        ++loads;
        EXPECT_EQ(row.substr(row.rfind(',') + 1), "0") << row;
    }
    EXPECT_EQ(loads, 3) << "the start and two loads";
}

TEST_F(Reload, AnExistingFileIsNeverRewritten) {
    for (const json& line : trace) {
        if (line["type"] == "frame") {
            EXPECT_EQ(line["iniDuringFrame"], "unchanged") << "frame " << line["frame"];
        }
    }
    EXPECT_EQ(readFile(finished_run::directory(kReloadRun) + "/game/Veltrane.ini"),
              "[Settings]\r\nEnabled=1\r\n[WeatherType_Rain]\r\nAccuracy_Rain=70\r\nDamageMod_Rain=0.5\r\n");
}

}  // namespace
