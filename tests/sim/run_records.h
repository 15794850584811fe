#pragma once
// Runs of the simulated game as the text report and the page are given them, and the check
// of what either says of one.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sim/report.h"

namespace run_records {

// A run of `frames` frames in Rain with Veltrane.asi (watched) and asi_probe.asi, `calls` native
// calls a frame and 300 peds, all within the plugin's reach; each case changes what it needs.
inline sim::RunRecord rainRun(std::size_t frames, std::uint32_t calls = 100) {
    sim::RunRecord run;
    run.scenarioName = "test";
    run.plugins = {"asi_probe.asi", "Veltrane.asi"};
    run.watched = 1;
    run.loadCalls = {{"asi_probe.asi", {"scriptRegister"}}, {"Veltrane.asi", {"scriptRegister", "keyboardHandlerRegister"}}};
    for (std::uint32_t i = 0; i < frames; ++i) {
        sim::FrameRecord f;
        f.frame = i;
        f.weather = 0x54A69840;
        f.weatherLabel = "Rain";
        f.pluginsLoaded = 3;
        f.tally.nativeCalls = calls;
        f.settled = {300, 300, 300, 300};
        run.frames.push_back(f);
    }
    return run;
}

// In a run of four frames: 1024 exempt peds ahead of 100 others, until the exempt ones leave in
// frame 2.
inline void pedsComeIntoReachInFrame2(sim::RunRecord& run) {
    for (auto& f : run.frames) f.settled = {100, 0, 0, 0, 100};
    for (std::size_t i : {2, 3}) run.frames[i].settled = {100, 100, 100, 100, 0};
}

// In a run of four frames: 1030 peds in the last, the 6 beyond the plugin's reach left as they
// were (4 of them never written), those within it written.
inline void pedsLeaveReachInFrame3(sim::RunRecord& run) {
    run.frames[3].settled = {1030, 1024, 1024, 1024, 4};
    run.finalPeds.assign(1030, sim::Ped{0, 70, 0.5f, false, false, true});
    for (std::size_t i = 1024; i < 1030; ++i) run.finalPeds[i] = {0, 50, 1.0f, false, false, i < 1026};
}

// A four-frame rain run, changed; what a rendering of it says and never says.
struct SaysCase {
    const char* name;
    void (*change)(sim::RunRecord&);
    std::vector<const char*> said, unsaid;
};

template <typename Render>
void expectSays(const SaysCase& c, Render render) {
    sim::RunRecord run = rainRun(4);
    c.change(run);
    const std::string text = render(run);
    for (const char* part : c.said) EXPECT_NE(text.find(part), std::string::npos) << c.name << ": " << part << "\n" << text;
    for (const char* part : c.unsaid) EXPECT_EQ(text.find(part), std::string::npos) << c.name << ": " << part << "\n" << text;
}

}  // namespace run_records
