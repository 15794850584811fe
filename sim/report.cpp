#include "sim/report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>

#include "host/natives.h"
#include "settings/weather_hash.h"
#include "tuning/tuning_pass.h"

namespace sim {

namespace {

constexpr std::int64_t kPedReach = kPedCapacity;

std::string frameRange(std::uint32_t first, std::uint32_t last) {
    return first == last ? "frame " + std::to_string(first)
                         : "frames " + std::to_string(first) + "-" + std::to_string(last);
}

// The most common values, "62 (270), 44 (3)".
template <typename T>
std::string commonest(const std::map<T, std::size_t>& counts, std::size_t shown = 3) {
    std::vector<std::pair<T, std::size_t>> sorted(counts.begin(), counts.end());
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    std::ostringstream out;
    for (std::size_t i = 0; i < sorted.size() && i < shown; ++i) {
        out << (i ? ", " : "") << sorted[i].first << " (" << sorted[i].second << ")";
    }
    if (sorted.size() > shown) out << ", " << sorted.size() - shown << " other values";
    return out.str();
}

}  // namespace

std::string settling(const std::vector<FrameRecord>& frames, std::size_t begin, std::size_t end) {
    std::string text;
    for (std::size_t i = begin; i < end;) {
        if (frames[i].tally.pedsChanged == 0) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < end && frames[j].tally.pedsChanged > 0) ++j;
        if (!text.empty()) text += "; ";
        text += j == end && end - begin > 1
                    ? "still changing at the phase's end (from frame " + std::to_string(frames[i].frame) + ")"
                    : "after " + std::to_string(j - i) + " frame(s) from frame " + std::to_string(frames[i].frame);
        i = j;
    }
    if (text.empty()) text = "nothing to change";
    // Peds beyond the plugin's reach are not written while they are: the bursts count the others.
    const std::vector<ReachRun> runs = reachRuns(frames, begin, end);
    if (std::all_of(runs.begin(), runs.end(), [](const ReachRun& run) { return run.beyond == 0; })) return text;
    if (runs.size() == 1)
        return "for the " + std::to_string(runs[0].notExempt - runs[0].beyond) + " of " + std::to_string(runs[0].notExempt) +
               " peds not exempt within the plugin's reach: " + text;
    std::uint32_t least = ~0u, most = 0;
    for (const ReachRun& run : runs) {
        least = std::min(least, run.notExempt - run.beyond);
        most = std::max(most, run.notExempt - run.beyond);
    }
    return "for the peds not exempt within the plugin's reach (" + std::to_string(least) + " to " + std::to_string(most) +
           " of them, by frame): " + text;
}

std::vector<ReachRun> reachRuns(const std::vector<FrameRecord>& frames, std::size_t begin, std::size_t end) {
    std::vector<ReachRun> runs;
    for (std::size_t i = begin; i < end; ++i) {
        const SettledCount& s = frames[i].settled;
        if (runs.empty() || runs.back().beyond != s.beyondReach() || runs.back().notExempt != s.notExempt)
            runs.push_back({frames[i].frame, frames[i].frame, s.beyondReach(), s.notExempt});
        runs.back().last = frames[i].frame;
    }
    return runs;
}

std::string untouchedSoFar(const FrameRecord& frame) {
    // Only peds the plugin never wrote are said to be untouched: a ped may come into reach later.
    const SettledCount& s = frame.settled;
    if (s.beyondReach() == 0) return "";
    const std::string beyond = std::to_string(s.beyondReach()) + " beyond it in frame " + std::to_string(frame.frame);
    return s.unwrittenBeyondReach == s.beyondReach()
               ? "the " + beyond + " untouched so far"
               : "of the " + beyond + ", " + std::to_string(s.unwrittenBeyondReach) + " untouched so far";
}

std::string reachLine(const std::vector<FrameRecord>& frames, std::size_t begin, std::size_t end) {
    const std::vector<ReachRun> runs = reachRuns(frames, begin, end);
    if (std::all_of(runs.begin(), runs.end(), [](const ReachRun& run) { return run.beyond == 0; })) return "";
    constexpr std::size_t kShown = 4;
    std::string text = "beyond the plugin's reach: ";
    for (std::size_t i = 0; i < runs.size() && i < kShown; ++i) {
        text += (i ? ", " : "") + std::to_string(runs[i].beyond) + " of " + std::to_string(runs[i].notExempt) +
                " peds not exempt in " + (runs.size() == 1 ? "every frame of the phase" : frameRange(runs[i].first, runs[i].last));
    }
    if (runs.size() > kShown) text += ", ... (" + std::to_string(runs.size() - kShown) + " more changes)";
    if (const std::string untouched = untouchedSoFar(frames[end - 1]); !untouched.empty()) text += "; " + untouched;
    return text + " (the plugin handles at most the first " + std::to_string(kPedReach) +
           " peds the game lists, exempt ones included)";
}

std::vector<Phase> weatherPhases(const std::vector<FrameRecord>& frames) {
    std::vector<Phase> phases;
    for (std::size_t begin = 0; begin < frames.size();) {
        std::size_t end = begin + 1;
        while (end < frames.size() && frames[end].weather == frames[begin].weather) ++end;
        phases.push_back({begin, end});
        begin = end;
    }
    return phases;
}

namespace {

void renderPhase(std::ostringstream& out, const RunRecord& run, std::size_t begin, std::size_t end) {
    const std::vector<FrameRecord>& frames = run.frames;
    const FrameRecord& first = frames[begin];
    out << "\n" << frameRange(first.frame, frames[end - 1].frame) << ": " << first.weatherLabel << " ("
        << hashText(first.weather) << ")\n";

    std::string asked;
    std::vector<std::uint32_t> changed, natives;
    std::uint32_t twice = 0, exemptTouched = 0, keyNatives = 0, keyMessages = 0, keystrokes = 0, stray = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const FrameRecord& f = frames[i];
        for (const auto& event : f.events) out << "  frame " << f.frame << ": " << eventText(event) << "\n";
        if (f.asked != asked) {
            out << (i == begin ? "  Veltrane.ini asks: " : "  frame " + std::to_string(f.frame) + ": Veltrane.ini now asks: ")
                << f.asked << "\n";
            asked = f.asked;
        }
        if (!f.iniExistsAfter) out << "  frame " << f.frame << ": Veltrane.ini missing after the frame\n";
        if (f.iniDuringFrame == IniDuringFrame::Created) out << "  frame " << f.frame << ": the plugin wrote a fresh Veltrane.ini\n";
        if (f.iniDuringFrame == IniDuringFrame::Changed)
            out << "  frame " << f.frame << ": PROBLEM: Veltrane.ini changed while the plugin ran, and it was there before\n";
        changed.push_back(f.tally.pedsChanged);
        natives.push_back(f.tally.nativeCalls);
        twice += f.tally.pedsWrittenTwice;
        stray += f.tally.strayHandleCalls;
        exemptTouched += f.tally.exemptPedsTouched;
        keyNatives += f.tally.nativesInKeyboardHandlers;
        keyMessages += f.tally.keyboardMessages;
        keystrokes += f.keystrokes;
    }
    out << "  peds changed per frame: " << runLengths(changed) << "\n";
    out << "  settled: " << settling(frames, begin, end) << "\n";
    const std::string reach = reachLine(frames, begin, end);
    if (!reach.empty()) out << "  " << reach << "\n";
    out << "  native calls per frame: " << runLengths(natives) << "\n";
    for (const std::string& idle : idleFrames(run, begin, end)) out << "  " << idle << "\n";
    if (keystrokes > 0 || keyMessages > 0)
        out << "  keystrokes: " << keystrokes << ", handed to keyboard handlers " << keyMessages
            << " time(s), native calls they caused: " << keyNatives << "\n";
    if (stray > 0) out << "  ped natives on handles no ped has (stale or invalid handles): " << stray << "\n";
    if (twice > 0) out << "  PROBLEM: " << twice << " time(s) a ped was written twice in one frame\n";
    if (exemptTouched > 0) out << "  PROBLEM: exempt peds got " << exemptTouched << " call(s) beyond the exempt test\n";
    out << "  peds not exempt at the end: " << frames[end - 1].pedValuesAfter << "\n";
}

std::string callList(const std::vector<PluginCalls>& plugins) {
    if (plugins.empty()) return "no plugin";
    std::string text;
    for (const PluginCalls& plugin : plugins) {
        if (!text.empty()) text += "; ";
        text += plugin.plugin + ": ";
        if (plugin.calls.empty()) text += "no host call";
        for (std::size_t i = 0; i < plugin.calls.size(); ++i) text += (i ? ", " : "") + plugin.calls[i];
    }
    return text;
}

}  // namespace

std::string eventText(const FrameEvent& event) {
    return event.note.empty() ? event.what : event.what + "; note: " + event.note;
}

std::string pluginList(const RunRecord& run) {
    std::string text;
    for (std::size_t i = 0; i < run.plugins.size(); ++i) {
        text += (i ? ", " : "") + run.plugins[i] + (i == run.watched && run.plugins.size() > 1 ? " (watched)" : "");
    }
    return text.empty() ? "none" : text;
}

std::string pluginsInFrame(const RunRecord& run, const FrameRecord& frame) {
    std::string loaded, unloaded;
    for (std::size_t i = 0; i < run.plugins.size() && i < 64; ++i) {
        std::string& list = (frame.pluginsLoaded >> i & 1u) ? loaded : unloaded;
        list += (list.empty() ? "" : ", ") + run.plugins[i];
    }
    if (loaded.empty()) loaded = "no plugin loaded";
    return unloaded.empty() ? loaded : loaded + "; " + unloaded + " not loaded";
}

std::vector<std::string> idleFrames(const RunRecord& run, std::size_t begin, std::size_t end) {
    const std::string watched = run.watched < run.plugins.size() ? run.plugins[run.watched] : "the plugin";
    // [0]: the watched plugin loaded (switched off, or writing a fresh file); [1]: not loaded.
    std::vector<std::uint32_t> idle[2];
    for (std::size_t i = begin; i < end; ++i) {
        const FrameRecord& f = run.frames[i];
        if (f.tally.nativeCalls != 0) continue;
        const bool loaded = run.plugins.empty() || run.watched >= 64 || (f.pluginsLoaded >> run.watched & 1u);
        idle[loaded ? 0 : 1].push_back(f.frame);
    }
    const std::string why[2] = {watched + " loaded: switched off, or writing a fresh Veltrane.ini",
                                watched + " not loaded"};
    std::vector<std::string> lines;
    for (int k = 0; k < 2; ++k) {
        if (idle[k].empty()) continue;
        lines.push_back(idle[k].size() == end - begin
                            ? "no native call in any frame of this phase (" + why[k] + ")"
                            : "no native call in " + std::to_string(idle[k].size()) + " frame(s), first " +
                                  std::to_string(idle[k].front()) + " (" + why[k] + ")");
    }
    return lines;
}

std::string pedCount(const std::vector<Ped>& peds) {
    const auto exempt = std::count_if(peds.begin(), peds.end(), [](const Ped& p) { return p.exempt; });
    return std::to_string(peds.size()) + (peds.size() == 1 ? " ped (" : " peds (") + std::to_string(exempt) + " exempt)";
}

std::string pedValues(const std::vector<Ped>& peds) {
    std::map<std::int32_t, std::size_t> accuracy;
    std::map<float, std::size_t> damage;
    std::size_t nan = 0;
    for (const Ped& p : peds) {
        if (p.exempt) continue;
        ++accuracy[p.accuracy];
        if (std::isnan(p.damageModifier)) ++nan; else ++damage[p.damageModifier];
    }
    if (accuracy.empty()) return "none";
    std::string text = "accuracy " + commonest(accuracy) + "; damage modifier " + commonest(damage);
    if (nan > 0) text += ", NaN (" + std::to_string(nan) + ")";
    return text;
}

std::string pedValuesByReach(const std::vector<Ped>& peds, const std::string& separator, const char* untouched) {
    if (peds.size() <= static_cast<std::size_t>(kPedReach)) return pedValues(peds);
    const auto reach = peds.begin() + kPedReach;
    std::size_t unwritten = 0;
    for (auto p = reach; p != peds.end(); ++p) unwritten += !p->exempt && !p->written;
    return "within the plugin's reach (the first " + std::to_string(kPedReach) + " listed): " +
           pedValues({peds.begin(), reach}) + separator + "beyond it: " + pedValues({reach, peds.end()}) + " (" +
           std::to_string(unwritten) + " " + untouched + ")";
}

FrameTally tallyFrame(const std::vector<HostCall>& calls, World& world) {
    namespace H = NativeHashes;
    FrameTally tally;
    std::map<std::int32_t, int> writes;
    bool inKeyboard = false;
    for (const HostCall& call : calls) {
        if (call.kind == CallKind::KeyboardMessage) {
            ++tally.keyboardMessages;
            inKeyboard = true;
            continue;
        }
        if (call.kind != CallKind::Native) {
            inKeyboard = false;
            continue;
        }
        ++tally.nativeCalls;
        if (inKeyboard) ++tally.nativesInKeyboardHandlers;
        const NativeRow* row = findNativeRow(call.hash);
        if (row == nullptr || !row->takesPed || call.argc == 0) continue;
        const auto ped = static_cast<std::int32_t>(static_cast<std::uint32_t>(call.args[0]));
        const bool write = row->writesPed;
        if (call.hash == H::PedAccuracyWrite) ++tally.accuracyWrites;
        if (call.hash == H::PedDamageModWrite) ++tally.damageWrites;
        const Ped* p = world.find(ped);
        if (p == nullptr) {
            ++tally.strayHandleCalls;
            continue;
        }
        if (write && ++writes[ped] == 2) ++tally.pedsWrittenTwice;
        if (call.hash != H::PedExemptTest && p->exempt) ++tally.exemptPedsTouched;
    }
    tally.pedsChanged = static_cast<std::uint32_t>(writes.size());
    return tally;
}

void addFrame(RunTotals& totals, const FrameRecord& frame) {
    ++totals.frames;
    totals.nativeCalls += frame.tally.nativeCalls;
    totals.accuracyWrites += frame.tally.accuracyWrites;
    totals.damageWrites += frame.tally.damageWrites;
    if (frame.tally.nativeCalls == 0) ++totals.framesWithoutNatives;
    totals.pedsWrittenTwice += frame.tally.pedsWrittenTwice;
    totals.exemptPedsTouched += frame.tally.exemptPedsTouched;
    totals.strayHandleCalls += frame.tally.strayHandleCalls;
    if (frame.iniDuringFrame == IniDuringFrame::Created) ++totals.iniCreated;
    if (frame.iniDuringFrame == IniDuringFrame::Changed) ++totals.iniChanged;
    totals.mostPeds = std::max<std::int64_t>(totals.mostPeds, frame.pedsInWorld);
    totals.keystrokes += frame.keystrokes;
}

std::string renderSummary(const RunRecord& run) {
    const RunTotals& t = run.totals;
    std::ostringstream out;
    out << "Veltrane in the simulated game: " << (run.scenarioName.empty() ? "scenario" : run.scenarioName) << "\n";
    for (const std::string& note : run.notes) out << "note: " << note << "\n";
    out << "game directory: " << run.gameDirectory << "\n";
    out << "plugins: " << pluginList(run) << "\n";
    out << "frames played: " << t.frames << " in " << static_cast<std::uint64_t>(t.seconds * 1000.0) << " ms\n";
    out << "peds: " << run.worldAtStart << " at the start, at most " << t.mostPeds << ", " << pedCount(run.finalPeds)
        << " at the end";
    if (t.mostPeds > kPedReach)
        out << " (the plugin handles at most the first " << kPedReach << " peds the game lists in a frame)";
    out << "\n";
    out << "native calls: " << t.nativeCalls << "; accuracy writes " << t.accuracyWrites << ", damage modifier writes "
        << t.damageWrites << "; frames with no native call " << t.framesWithoutNatives << "\n";
    out << "Veltrane.ini created by the plugin: " << t.iniCreated << " time(s)\n";
    out << "keystrokes: " << t.keystrokes << ", bytes of the watched plugin's memory they changed: "
        << t.keystrokeBytesChanged << "\n";
    for (const auto& sample : t.workingSet) {
        out << "working set after frame " << sample.frame << ": " << sample.bytes << " bytes\n";
    }
    out << "ped natives on stale handles: " << t.strayHandleCalls << "\n";
    out << "problems: Veltrane.ini changed by the plugin " << t.iniChanged << ", peds written twice in a frame "
        << t.pedsWrittenTwice << ", exempt peds touched " << t.exemptPedsTouched << "\n";
    if (!run.stopReason.empty()) out << "FAULT: " << run.stopReason << "\n";
    return out.str();
}

double percentile(std::vector<double> values, double share) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const double rank = std::ceil(share * static_cast<double>(values.size()));
    const auto index = static_cast<std::size_t>(std::clamp(rank, 1.0, static_cast<double>(values.size()))) - 1;
    return values[index];
}

std::string renderTiming(const TimingRecord& timing) {
    const std::size_t first = std::min<std::size_t>(timing.warmupFrames, timing.frames.size());
    const std::size_t counted = timing.frames.size() - first;
    const double natives = percentile(timing.nativeReplays, 0.5);

    std::vector<double> slice, reads, writes, existence, rest, own, calls, pedWrites, readCount, writeCount, queries;
    for (std::size_t i = first; i < timing.frames.size(); ++i) {
        const FrameTiming& f = timing.frames[i];
        slice.push_back(f.slice);
        reads.push_back(f.profileReads);
        writes.push_back(f.profileWrites);
        existence.push_back(f.existence);
        const double others = f.slice - f.profileReads - f.profileWrites - f.existence;
        rest.push_back(others);
        own.push_back(others - natives);
        calls.push_back(static_cast<double>(f.nativeCalls));
        pedWrites.push_back(static_cast<double>(f.pedWrites));
        readCount.push_back(f.reads);
        writeCount.push_back(f.writes);
        queries.push_back(f.existenceQueries);
    }

    std::ostringstream out;
    char line[160];
    out << "Veltrane's share of a frame in the simulated game: "
        << (timing.scenarioName.empty() ? "scenario" : timing.scenarioName) << "\n";
    out << "frames timed: " << counted << " (frames " << first << "-"
        << (timing.frames.empty() ? 0 : timing.frames.size() - 1) << "; the first " << first << " are warm-up)\n";
    std::snprintf(line, sizeof line, "per frame (median): %d peds, %.0f native calls, %.0f ped writes\n", timing.peds,
                  percentile(calls, 0.5), percentile(pedWrites, 0.5));
    out << line;
    std::snprintf(line, sizeof line, "timer: QueryPerformanceCounter at %.0f Hz, %.3f us a call; a frame of %.1f ms\n",
                  timing.timerHz, timing.timerReadMicroseconds, timing.frameMicroseconds / 1000.0);
    out << line;
    std::snprintf(line, sizeof line, "%-52s %10s %8s %10s %8s\n", "", "median us", "share", "p95 us", "share");
    out << line;
    auto row = [&](const std::string& label, const std::vector<double>& values) {
        const double median = percentile(values, 0.5), high = percentile(values, 0.95);
        std::snprintf(line, sizeof line, "%-52s %10.1f %7.3f%% %10.1f %7.3f%%\n", label.c_str(), median,
                      100.0 * median / timing.frameMicroseconds, high, 100.0 * high / timing.frameMicroseconds);
        out << line;
    };
    auto perFrame = [](const std::vector<double>& counts) {
        char text[32];
        std::snprintf(text, sizeof text, "%.0f", percentile(counts, 0.5));
        return std::string(text);
    };
    row("plugin's slice (scriptMain between scriptWait calls)", slice);
    row("  kernel32 profile reads (" + perFrame(readCount) + " per frame)", reads);
    row("  kernel32 profile writes (" + perFrame(writeCount) + " per frame)", writes);
    row("  existence query, GetFileAttributesA (" + perFrame(queries) + " per frame)", existence);
    row("  the rest", rest);
    row("    natives, host and game side (replayed)", timing.nativeReplays);
    row("    the plugin's own code", own);
    out << "natives: one frame's calls, replayed by the host alone after each timed frame ("
        << timing.nativeReplays.size() << " times); the plugin's own code is the rest less their median\n";
    out << "each row's median and 95th percentile are taken on their own: they need not add up\n";
    return out.str();
}

std::string runLengths(const std::vector<std::uint32_t>& values, std::size_t maxRuns) {
    std::ostringstream out;
    std::size_t runs = 0;
    for (std::size_t i = 0; i < values.size();) {
        std::size_t j = i;
        while (j < values.size() && values[j] == values[i]) ++j;
        if (runs == maxRuns) {
            out << ", ... (" << values.size() - i << " more frames)";
            break;
        }
        out << (runs ? ", " : "") << values[i];
        if (j - i > 1) out << " x" << j - i;
        ++runs;
        i = j;
    }
    return out.str();
}

std::string renderReport(const RunRecord& run) {
    std::ostringstream out;
    out << "Veltrane in the simulated game: " << (run.scenarioName.empty() ? "scenario" : run.scenarioName) << "\n";
    if (!run.description.empty()) out << run.description << "\n";
    for (const std::string& note : run.notes) out << "note: " << note << "\n";
    out << "game directory: " << run.gameDirectory << "\n";
    out << "world at the start: " << run.worldAtStart << "\n";
    if (!run.frames.empty() && run.frames.front().weather == 0)
        out << "weather at the start: none given, hash 0, which has no row: until the game reports one of the "
               "plugin's weathers, the plugin applies accuracy 0 and damage modifier 0.0 (peds deal no damage)\n";
    out << "plugins: " << pluginList(run) << "\n";
    out << "plugins loaded: " << callList(run.loadCalls) << "\n";

    const auto& frames = run.frames;
    for (const Phase& phase : weatherPhases(frames)) renderPhase(out, run, phase.begin, phase.end);

    out << "\nafter " << frames.size() << " frame(s): " << pedCount(run.finalPeds) << "\n";
    out << "  peds not exempt: " << pedValuesByReach(run.finalPeds, "\n  peds not exempt ", "never touched") << "\n";
    out << "  Veltrane.ini: " << run.finalIniStatus << "\n";
    for (const auto& sample : run.totals.workingSet) {
        out << "  working set after frame " << sample.frame << ": " << sample.bytes << " bytes\n";
    }
    if (run.totals.keystrokes > 0) {
        out << "  keystrokes: " << run.totals.keystrokes << ", bytes of the watched plugin's memory they changed: "
            << run.totals.keystrokeBytesChanged << "\n";
    }
    out << "plugins unloaded: " << callList(run.unloadCalls) << "\n";
    if (!run.stopReason.empty()) {
        out << "FAULT: the run stopped in frame " << (frames.empty() ? 0 : frames.back().frame) << ": " << run.stopReason
            << "\n";
    }
    return out.str();
}

}  // namespace sim
