// The per-frame cost of the plugin against the floor: the native calls it has to make.
//
//   TuningPass/1024   the pass over 1,024 settled, non-exempt peds
//   TuningPass/0      the same pass over no ped: weather query, enumeration, two settings reads
//   BareNativeCalls   the calls the pass makes for 1,024 settled peds (the enumeration, then
//                     PedExemptTest, PedDamageModRead and PedAccuracyRead per ped), nothing else
//   Frame/1024        runFrame: the switch read, the existence query and the pass
//
// The last line printed is the per-ped overhead ratio, (TuningPass/1024 - TuningPass/0) /
// BareNativeCalls, from the fastest repetition of each (or the single run without
// --benchmark_repetitions). With --instruction-counts [rounds] the same workloads run a fixed
// number of times (default 20) for callgrind instead, one stats dump each. --check-floor only
// checks that BareNativeCalls makes the settled pass's calls per ped (a CTest test).

#include <benchmark/benchmark.h>
#include <valgrind/callgrind.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>

#include "bench/zero_cost_host.h"
#include "host/natives.h"
#include "host/script_host.h"
#include "platform/windows_api.h"
#include "plugin/frame_loop.h"
#include "settings/settings_file.h"
#include "settings/weather_hash.h"
#include "tests/support/process_scratch_dir.h"
#include "tuning/tuning_pass.h"

namespace {

const std::uint32_t kRain = weatherHashOf("Rain");
constexpr std::int32_t kAccuracy = 50;
constexpr float kDamage = 0.5f;

struct Setup {
    SettingsFile settings;
    IniReader reader;
};

// The default file in a scratch directory, with Rain's values changed to those the peds hold.
Setup& setup() {
    static Setup instance = [] {
        std::filesystem::current_path(processScratchDirectory("veltrane-bench"));
        Setup fresh;
        fresh.reader = startScript(fresh.settings);
        WritePrivateProfileStringA("WeatherType_Rain", "Accuracy_Rain", "50", kSettingsFileName);
        WritePrivateProfileStringA("WeatherType_Rain", "DamageMod_Rain", "0.5", kSettingsFileName);
        zeroCostWorld.weather = kRain;
        return fresh;
    }();
    return instance;
}

void settle(std::int32_t peds) {
    zeroCostWorld.fill(peds, kAccuracy, kDamage);
    zeroCostWorld.writes = 0;
}

// The floor: the host calls of a settled pass that depend on the number of peds, made
// directly, with no settings and no decisions. Results are summed so none can be dropped.
std::uint64_t bareNativeCalls(std::int32_t* handles) {
    const std::int32_t count = worldGetAllPeds(handles, kPedCapacity);
    std::uint64_t sum = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::uint64_t ped = static_cast<std::uint32_t>(handles[i]);
        nativeInit(NativeHashes::PedExemptTest);
        nativePush64(ped);
        sum += static_cast<std::uint32_t>(*nativeCall());
        nativeInit(NativeHashes::PedDamageModRead);
        nativePush64(ped);
        sum += static_cast<std::uint32_t>(*nativeCall());
        nativeInit(NativeHashes::PedAccuracyRead);
        nativePush64(ped);
        sum += static_cast<std::uint32_t>(*nativeCall());
    }
    return sum;
}

void checkSettled(benchmark::State& state) {
    if (zeroCostWorld.writes != 0) state.SkipWithError("the world was not settled: the pass wrote ped values");
}

void TuningPass(benchmark::State& state) {
    Setup& s = setup();
    settle(static_cast<std::int32_t>(state.range(0)));
    for (auto _ : state) runTuningPass(s.reader);
    checkSettled(state);
}
// The fastest repetition is the one least disturbed by the rest of the machine.
double fastest(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

BENCHMARK(TuningPass)->Arg(0)->Arg(kPedCapacity)->ComputeStatistics("min", fastest);

void BareNativeCalls(benchmark::State& state) {
    setup();
    settle(kPedCapacity);
    static std::array<std::int32_t, kPedCapacity> handles;
    for (auto _ : state) benchmark::DoNotOptimize(bareNativeCalls(handles.data()));
}
BENCHMARK(BareNativeCalls)->ComputeStatistics("min", fastest);

void Frame(benchmark::State& state) {
    Setup& s = setup();
    settle(kPedCapacity);
    for (auto _ : state) runFrame(s.settings, s.reader);
    checkSettled(state);
}
BENCHMARK(Frame)->Arg(kPedCapacity)->ComputeStatistics("min", fastest);

// Keeps each benchmark's CPU time per iteration, in nanoseconds, while the console reporter
// prints every run as usual: the "min" over repetitions when there are some, else the one run.
class CpuTimes : public benchmark::ConsoleReporter {
public:
    using ConsoleReporter::ConsoleReporter;
    std::map<std::string, double> times;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            const bool min = run.run_type == Run::RT_Aggregate && run.aggregate_name == "min";
            if (single || min) times[run.run_name.str()] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

// Under callgrind: each workload a fixed number of times between a zeroing and a dump, so
// the counts are exact and comparable. scripts/bench.sh reads the dumps.
int countInstructions(int rounds) {
    Setup& s = setup();
    static std::array<std::int32_t, kPedCapacity> handles;
    auto measure = [rounds](const char* name, auto&& workload) {
        workload();  // warm: first touches, lazy binding
        CALLGRIND_ZERO_STATS;
        for (int i = 0; i < rounds; ++i) workload();
        CALLGRIND_DUMP_STATS_AT(name);
    };
    settle(0);
    measure("pass0", [&] { runTuningPass(s.reader); });
    settle(kPedCapacity);
    measure("pass1024", [&] { runTuningPass(s.reader); });
    measure("bare", [&] { benchmark::DoNotOptimize(bareNativeCalls(handles.data())); });
    measure("frame1024", [&] { runFrame(s.settings, s.reader); });
    if (zeroCostWorld.writes != 0) {
        std::fprintf(stderr, "the world was not settled\n");
        return 1;
    }
    std::printf("rounds per dump: %d\n", rounds);
    return 0;
}

// The floor must make the calls a settled pass makes per ped, each answered by this host: a
// native the pass gained and the floor or the host lacks would put its cost on the plugin's side
// of the ratio. Status 1, with what differs, otherwise.
int checkFloor() {
    Setup& s = setup();
    static std::array<std::int32_t, kPedCapacity> handles;
    auto callsOf = [](auto&& workload) {
        const std::uint64_t before = zeroCostWorld.calls;
        workload();
        return zeroCostWorld.calls - before;
    };
    settle(0);
    const std::uint64_t pass0 = callsOf([&] { runTuningPass(s.reader); });
    settle(1024);
    const std::uint64_t pass1024 = callsOf([&] { runTuningPass(s.reader); });
    const std::uint64_t bare = callsOf([&] { bareNativeCalls(handles.data()); });
    std::printf("native calls for 1,024 settled peds: the pass %llu more than for none, the floor %llu; "
                "natives this host has no answer for: %llu\n",
                static_cast<unsigned long long>(pass1024 - pass0), static_cast<unsigned long long>(bare),
                static_cast<unsigned long long>(zeroCostWorld.unanswered));
    const bool settled = zeroCostWorld.writes == 0;
    if (!settled) std::printf("the world was not settled: the pass wrote ped values\n");
    return pass1024 - pass0 == bare && zeroCostWorld.unanswered == 0 && settled ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--instruction-counts") == 0)
        return countInstructions(argc > 2 ? std::atoi(argv[2]) : 20);
    if (argc > 1 && std::strcmp(argv[1], "--check-floor") == 0) return checkFloor();

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // Colour only on a terminal, as the library's own reporter does.
    CpuTimes reporter(::isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_ColorTabular
                                              : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto& t = reporter.times;
    const auto pass1024 = t.find("TuningPass/" + std::to_string(kPedCapacity)), pass0 = t.find("TuningPass/0"), bare = t.find("BareNativeCalls");
    if (pass1024 == t.end() || pass0 == t.end() || bare == t.end()) {
        std::printf("per-ped overhead ratio: not measured (run TuningPass/0, TuningPass/1024 and BareNativeCalls)\n");
        return 0;
    }
    std::printf("per-ped overhead ratio (TuningPass/1024 - TuningPass/0) / BareNativeCalls: %.3f\n",
                (pass1024->second - pass0->second) / bare->second);
    return 0;
}
