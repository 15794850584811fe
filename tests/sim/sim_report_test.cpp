// The simulated game's per-frame counts, the report's run-length lists and what the report says
// of a run.

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include "host/natives.h"
#include "sim/report.h"
#include "tests/sim/run_records.h"
#include "tests/support/whole_file.h"

namespace {

using sim::CallKind;
using sim::HostCall;

HostCall native(std::uint64_t hash, std::int32_t ped) {
    HostCall call{CallKind::Native};
    call.hash = hash;
    call.args[0] = static_cast<std::uint32_t>(ped);
    call.argc = 2;
    return call;
}

HostCall host(CallKind kind) { return HostCall{kind}; }

TEST(FrameTally, CountsWritesPedsAndWhatShouldNeverHappen) {
    namespace H = NativeHashes;
    sim::World world;
    const auto a = world.spawn(10, 1.0f);
    const auto b = world.spawn(10, 1.0f);
    const auto exempt = world.spawn(10, 1.0f, true);
    const std::vector<HostCall> calls = {
        host(CallKind::KeyboardMessage),
        native(H::PedAccuracyRead, a),  // made inside the keyboard handler
        host(CallKind::ScriptResume),
        native(H::WeatherQuery, 0),
        native(H::PedExemptTest, exempt),
        native(H::PedDamageModRead, exempt),  // an exempt ped must get nothing more
        native(H::PedDamageModWrite, a),
        native(H::PedAccuracyWrite, a),  // a second write to one ped in one frame
        native(H::PedAccuracyWrite, b),
        native(H::PedDamageModWrite, 0),  // a handle no ped has: not a ped changed
        native(H::PedDamageModWrite, 0),
        host(CallKind::ScriptWait),
    };
    const sim::FrameTally tally = sim::tallyFrame(calls, world);
    EXPECT_EQ(tally.nativeCalls, 9u);
    EXPECT_EQ(tally.pedsChanged, 2u);
    EXPECT_EQ(tally.strayHandleCalls, 2u);
    EXPECT_EQ(tally.damageWrites, 3u);
    EXPECT_EQ(tally.accuracyWrites, 2u);
    EXPECT_EQ(tally.pedsWrittenTwice, 1u);
    EXPECT_EQ(tally.exemptPedsTouched, 1u);
    EXPECT_EQ(tally.keyboardMessages, 1u);
    EXPECT_EQ(tally.nativesInKeyboardHandlers, 1u);
}

TEST(RunLengths, GroupsEqualNeighboursAndStopsAfterTheLimit) {
    struct Case {
        std::vector<std::uint32_t> values;
        std::size_t maxRuns;
        const char* expected;
    };
    const Case cases[] = {
        {{}, 8, ""},
        {{5}, 8, "5"},
        {{270, 270, 3, 0, 0, 0}, 8, "270 x2, 3, 0 x3"},
        {{1, 2, 1, 2}, 8, "1, 2, 1, 2"},
        {{1, 2, 3, 3, 4}, 2, "1, 2, ... (3 more frames)"},
    };
    for (const Case& c : cases) EXPECT_EQ(sim::runLengths(c.values, c.maxRuns), c.expected);
}

TEST(Report, SaysWhatTheRunShowed) {
    const run_records::SaysCase cases[] = {
        {"peds beyond the plugin's reach",
         [](sim::RunRecord& run) {
             // 5000 peds, none exempt: the plugin handles the first 1024 the game lists.
             for (auto& f : run.frames) f.settled = {5000, 1024, 1024, 1024, 3976};
             run.frames[0].tally.pedsChanged = 1024;
         },
         {"settled: for the 1024 of 5000 peds not exempt within the plugin's reach: after 1 frame(s) from frame 0\n",
          "beyond the plugin's reach: 3976 of 5000 peds not exempt in every frame of the phase; the 3976 beyond it in "
          "frame 3 untouched so far (the plugin handles at most the first 1024"},
         {"settled: after"}},
        {"peds coming into reach within the phase",
         [](sim::RunRecord& run) {
             run_records::pedsComeIntoReachInFrame2(run);
             run.frames[2].tally.pedsChanged = 100;
         },
         {"settled: for the peds not exempt within the plugin's reach (0 to 100 of them, by frame): after 1 frame(s) from frame 2\n",
          "beyond the plugin's reach: 100 of 100 peds not exempt in frames 0-1, 0 of 100 peds not exempt in frames 2-3 "
          "(the plugin handles"},
         {"untouched", "for the 0 of 100"}},
        {"peds leaving reach after the plugin wrote them",
         run_records::pedsLeaveReachInFrame3,
         {"of the 6 beyond it in frame 3, 4 untouched so far",
          "  peds not exempt: within the plugin's reach (the first 1024 listed): accuracy 70 (1024); damage modifier 0.5 (1024)\n"
          "  peds not exempt beyond it: accuracy 50 (6); damage modifier 1 (6) (4 never touched)\n"},
         {"keep whatever they had"}},
        {"every ped within reach, more of them from frame 2",
         [](sim::RunRecord& run) {
             run.frames[0].tally.pedsChanged = 300;
             for (std::size_t i : {2, 3}) run.frames[i].settled = {320, 320, 320, 320};
         },
         {"settled: after 1 frame(s) from frame 0\n"},
         {"reach"}},
        {"the watched plugin unloaded is not switched off",
         [](sim::RunRecord& run) {
             for (std::size_t i : {1, 2}) {
                 run.frames[i].pluginsLoaded = 1;
                 run.frames[i].tally.nativeCalls = 0;
             }
             run.frames[3].tally.nativeCalls = 0;
         },
         {"no native call in 2 frame(s), first 1 (Veltrane.asi not loaded)",
          "no native call in 1 frame(s), first 3 (Veltrane.asi loaded: switched off"},
         {}},
        {"every plugin named, its calls apart",
         [](sim::RunRecord& run) { run.unloadCalls = {{"Veltrane.asi", {"scriptUnregister"}}, {"asi_probe.asi", {}}}; },
         {"plugins: asi_probe.asi, Veltrane.asi (watched)\n",
          "plugins loaded: asi_probe.asi: scriptRegister; Veltrane.asi: scriptRegister, keyboardHandlerRegister\n",
          "plugins unloaded: Veltrane.asi: scriptUnregister; asi_probe.asi: no host call\n"},
         {}},
        {"keystrokes counted alike in the phase and at the end",
         [](sim::RunRecord& run) {
             // Two keystrokes, each handed to both plugins' handlers.
             run.frames[1].keystrokes = 2;
             run.frames[1].tally.keyboardMessages = 4;
             for (const auto& f : run.frames) sim::addFrame(run.totals, f);
         },
         {"  keystrokes: 2, handed to keyboard handlers 4 time(s)", "\n  keystrokes: 2, bytes"},
         {}},
        {"the scenario's notes",
         [](sim::RunRecord& run) { run.frames[2].events = {{"weather Rain (0x54A69840)", "it starts to rain"}, {"delete Veltrane.ini", ""}}; },
         {"  frame 2: weather Rain (0x54A69840); note: it starts to rain\n", "  frame 2: delete Veltrane.ini\n"},
         {}},
    };
    for (const auto& c : cases) run_records::expectSays(c, [](const sim::RunRecord& run) { return sim::renderReport(run); });
}

TEST(Percentile, TakesTheNearestRank) {
    EXPECT_EQ(sim::percentile({}, 0.5), 0.0);
    EXPECT_EQ(sim::percentile({7}, 0.95), 7.0);
    // Unsorted on purpose: 1..20 shuffled.
    const std::vector<double> twenty = {20, 3, 17, 1, 9, 14, 6, 11, 2, 19, 8, 16, 5, 12, 4, 18, 7, 15, 10, 13};
    EXPECT_EQ(sim::percentile(twenty, 0.5), 10.0);   // rank 10 of 20
    EXPECT_EQ(sim::percentile(twenty, 0.95), 19.0);  // rank 19 of 20
    EXPECT_EQ(sim::percentile(twenty, 1.0), 20.0);
    EXPECT_EQ(sim::percentile(twenty, 0.0), 1.0);
    EXPECT_EQ(sim::percentile({1, 2, 3}, 0.5), 2.0);  // rank 2 of 3
}

// The row of the timing report that starts with `label`, as its four numbers.
std::vector<double> timingRow(const std::string& report, const std::string& label) {
    const auto at = report.find("\n" + label);
    if (at == std::string::npos) return {};
    std::istringstream line(report.substr(at + 1 + label.size(), report.find('\n', at + 1) - at - 1 - label.size()));
    std::vector<double> numbers;
    std::string word;
    while (line >> word) {
        if (!word.empty() && word.back() == '%') word.pop_back();
        numbers.push_back(std::stod(word));
    }
    return numbers;
}

TEST(TimingReport, SplitsTheSliceAndLeavesOutTheWarmUp) {
    sim::TimingRecord timing;
    timing.scenarioName = "test";
    timing.peds = 4;
    timing.warmupFrames = 2;
    timing.timerHz = 1e7;
    timing.frameMicroseconds = 1000.0;  // round shares
    // Two warm-up frames far off the others: they must not count.
    for (int i = 0; i < 2; ++i) timing.frames.push_back({5000, 4000, 500, 100, 3, 45, 1, 13, 4});
    // Timed frames: slice = reads + existence + 60 + 10 * i, so the rest is 60 + 10 * i.
    for (int i = 0; i < 20; ++i) {
        sim::FrameTiming f;
        f.profileReads = 100 + i;
        f.existence = 2;
        f.slice = f.profileReads + f.existence + 60 + 10 * i;
        f.reads = 3;
        f.existenceQueries = 1;
        f.nativeCalls = 13;
        timing.frames.push_back(f);
    }
    timing.nativeReplays = {50, 40, 45};

    const std::string report = sim::renderTiming(timing);
    EXPECT_NE(report.find("frames timed: 20 (frames 2-21; the first 2 are warm-up)"), std::string::npos) << report;
    EXPECT_NE(report.find("4 peds, 13 native calls, 0 ped writes"), std::string::npos) << report;

    // Median = rank 10 of 20 (i = 9), 95th percentile = rank 19 (i = 18); shares of 1000 us.
    EXPECT_EQ(timingRow(report, "plugin's slice (scriptMain between scriptWait calls)"),
              (std::vector<double>{261, 26.1, 360, 36}));
    EXPECT_EQ(timingRow(report, "  kernel32 profile reads (3 per frame)"), (std::vector<double>{109, 10.9, 118, 11.8}));
    EXPECT_EQ(timingRow(report, "  kernel32 profile writes (0 per frame)"), (std::vector<double>{0, 0, 0, 0}));
    EXPECT_EQ(timingRow(report, "  existence query, GetFileAttributesA (1 per frame)"),
              (std::vector<double>{2, 0.2, 2, 0.2}));
    EXPECT_EQ(timingRow(report, "  the rest"), (std::vector<double>{150, 15, 240, 24}));
    EXPECT_EQ(timingRow(report, "    natives, host and game side (replayed)"), (std::vector<double>{45, 4.5, 50, 5}));
    // The rest less the replays' median.
    EXPECT_EQ(timingRow(report, "    the plugin's own code"), (std::vector<double>{105, 10.5, 195, 19.5}));
}

#ifdef VELTRANE_SOURCE_DIR
// The files that say how many natives the plugin calls say what the game's table of them holds:
// a native added to it fails here until they say so.
TEST(NativeRows, WhatCountsThemInWordsAgrees) {
    const char* words[] = {"", "", "two", "three", "four", "five", "six", "seven", "eight", "nine", "ten", "eleven", "twelve"};
    const std::regex counted(R"(\b([a-z]+) (?:game )?natives\b|\b([a-z]+) native hashes\b)", std::regex::icase);
    int counts = 0;
    for (const char* file : {"host/natives.h", "sim/world.h", "docs/SIMULATOR.md", "docs/RELIABILITY.md"}) {
        const std::string doc = readFile(std::string(VELTRANE_SOURCE_DIR) + "/" + file);
        ASSERT_FALSE(doc.empty()) << file;
        for (auto it = std::sregex_iterator(doc.begin(), doc.end(), counted); it != std::sregex_iterator(); ++it) {
            std::string word = (*it)[1].matched ? (*it)[1].str() : (*it)[2].str();
            std::transform(word.begin(), word.end(), word.begin(), [](unsigned char c) { return std::tolower(c); });
            const auto number = std::find(std::begin(words), std::end(words), word);
            if (number == std::end(words)) continue;  // "the natives", "three native functions"
            ++counts;
            EXPECT_EQ(number - std::begin(words), static_cast<std::ptrdiff_t>(sim::nativeRows().size()))
                << file << ": \"" << it->str() << "\"";
        }
    }
    EXPECT_GE(counts, 4);
}
#endif

}  // namespace
