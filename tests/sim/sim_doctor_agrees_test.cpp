// For random settings files, the real Veltrane.asi in the simulated game applies exactly what
// the doctor says it will. veltrane-sim.exe played the run of tests/sim/doctor_agreement.h: each
// seed's file through the 22 weathers, with fresh peds for every weather. This program, under
// Wine like the game, runs the doctor's check on each file through kernel32's profile functions
// and compares the check's values with the writes in the trace, bit for bit: the trace keeps
// the argument words as the plugin passed them.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "doctor/settings/settings_check.h"
#include "platform/float_bits.h"
#include "tests/sim/doctor_agreement.h"
#include "tests/sim/finished_run.h"
#include "tests/support/whole_file.h"
#include "tests/support/doctor_entries.h"
#include "tuning/accuracy_rules.h"

namespace {

namespace da = doctor_agreement;
namespace fs = std::filesystem;
using nlohmann::json;

fs::path runDirectory() { return finished_run::directory("VELTRANE_SIM_DOCTOR"); }

// A write as the plugin passed it: the ped handle, and the value's argument word (a damage
// modifier's float bits, an accuracy's 32-bit integer).
using Writes = std::vector<std::pair<std::int32_t, std::uint32_t>>;

// What the trace shows of one phase (one weather of one file).
struct PhaseRecord {
    unsigned frames = 0;
    std::vector<std::string> weathers;  // each frame's
    std::uint64_t natives = 0;
    Writes damageWrites, accuracyWrites;
};

const std::vector<PhaseRecord>& phaseRecords() {
    static const std::vector<PhaseRecord> records = [] {
        std::vector<PhaseRecord> out(da::kSeedCount * kWeatherCount);
        for (const json& entry : finished_run::trace(runDirectory())) {
            const auto frame = entry["frame"].get<std::uint32_t>();
            if (frame >= da::kFrames) continue;  // the unload
            PhaseRecord& phase = out[frame / da::kFramesPerWeather];
            if (entry["type"] == "frame") {
                ++phase.frames;
                phase.weathers.push_back(entry["weather"]);
                phase.natives += entry["natives"].get<std::uint64_t>();
            } else if (entry["type"] == "call" && entry["call"] == "native") {
                const json& args = entry["args"];
                if (entry["name"] != "PedDamageModWrite" && entry["name"] != "PedAccuracyWrite") continue;
                const auto word = [&](std::size_t i) { return static_cast<std::uint32_t>(args.at(i).get<std::uint64_t>()); };
                Writes& writes = entry["name"] == "PedDamageModWrite" ? phase.damageWrites : phase.accuracyWrites;
                writes.emplace_back(static_cast<std::int32_t>(word(0)), word(1));
            }
        }
        return out;
    }();
    return records;
}

// The doctor's check of a seed's file, read from a directory of its own as "./Veltrane.ini",
// the plugin's path.
const SettingsCheck& doctorCheck(std::size_t seedIndex) {
    static std::map<std::size_t, SettingsCheck> checks;
    auto found = checks.find(seedIndex);
    if (found != checks.end()) return found->second;
    const fs::path dir = runDirectory() / "doctor" / ("seed-" + std::to_string(da::kSeeds[seedIndex]));
    fs::create_directories(dir);
    std::ofstream(dir / "Veltrane.ini", std::ios::binary | std::ios::trunc) << da::settingsText(seedIndex);
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    // The game runs under Wine: the doctor reads the file as Wine does.
    SettingsCheck check = checkSettingsFile("Veltrane.ini", {}, profile_text::Reader::Wine);
    fs::current_path(previous);
    return checks.emplace(seedIndex, std::move(check)).first->second;
}

// What the doctor's values mean for a phase's two fresh peds (accuracy 20, damage modifier
// 7.25). Only a value that differs from the ped's is written, and a NaN would count as equal.
struct Expected {
    bool switchOn;
    float damageModifier;
    bool damageWritten;
    std::int32_t accuracy;  // 12829 already resolved through the first tuned ped
    bool accuracyWritten;
};

Expected expectedFor(const SettingsCheck& check, const WeatherEntry& weather) {
    Expected e{};
    e.switchOn = entryFor(check, "Enabled").switchOn;
    e.damageModifier = entryFor(check, weather.damageModKey).damageModifier;
    e.damageWritten = da::kPedDamage < e.damageModifier || da::kPedDamage > e.damageModifier;
    const std::int32_t accuracy = entryFor(check, weather.accuracyKey).accuracy;
    e.accuracy = accuracy == kAccuracySentinel ? (da::kPedAccuracy | 0x2C) : accuracy;
    e.accuracyWritten = static_cast<std::uint32_t>(e.accuracy) <= 100u && e.accuracy != da::kPedAccuracy;
    return e;
}

Writes toBothTunedPeds(const da::Phase& phase, std::uint32_t word) {
    return {{phase.tunedPed(0), word}, {phase.tunedPed(1), word}};
}

TEST(DoctorAgreesWithPlugin, TheGamePlayedEveryPhaseInItsWeather) {
    for (std::size_t s = 0; s < da::kSeedCount; ++s) {
        for (std::size_t w = 0; w < kWeatherCount; ++w) {
            const da::Phase phase{s, w};
            const PhaseRecord& record = phaseRecords()[phase.index()];
            ASSERT_EQ(record.frames, da::kFramesPerWeather)
                << "seed " << da::kSeeds[s] << ", " << phase.weather().name << ": no trace in " << runDirectory();
            for (const std::string& weather : record.weathers)
                EXPECT_EQ(weather, da::hashText(phase.weather().hash)) << "seed " << da::kSeeds[s];
        }
    }
    // The last file is still there as the player wrote it: the plugin read it and rewrote nothing.
    EXPECT_EQ(readFile(runDirectory() / "game" / "Veltrane.ini"), da::settingsText(da::kSeedCount - 1));
}

TEST(DoctorAgreesWithPlugin, ThePluginWritesTheDoctorsValuesInEveryWeatherOfEveryFile) {
    for (std::size_t s = 0; s < da::kSeedCount; ++s) {
        const bool failedBefore = ::testing::Test::HasFailure();
        const SettingsCheck& check = doctorCheck(s);
        ASSERT_EQ(check.state, FileState::Readable);
        ASSERT_EQ(check.entries.size(), 1 + 2 * weatherTable.size());
        for (std::size_t w = 0; w < kWeatherCount; ++w) {
            const da::Phase phase{s, w};
            const PhaseRecord& record = phaseRecords()[phase.index()];
            const Expected e = expectedFor(check, phase.weather());
            char what[256];
            std::snprintf(what, sizeof what, "seed %u, %s (frames %u-%u): the doctor reads switch %s, accuracy %d, damage modifier %.9g (0x%08X)",
                          static_cast<unsigned>(da::kSeeds[s]), phase.weather().name, static_cast<unsigned>(phase.firstFrame()),
                          static_cast<unsigned>(phase.firstFrame() + da::kFramesPerWeather - 1), e.switchOn ? "on" : "off",
                          static_cast<int>(e.accuracy), static_cast<double>(e.damageModifier),
                          static_cast<unsigned>(floatBits(e.damageModifier)));
            if (!e.switchOn) {
                EXPECT_EQ(record.natives, 0u) << what;
                continue;
            }
            EXPECT_EQ(record.damageWrites, e.damageWritten ? toBothTunedPeds(phase, floatBits(e.damageModifier)) : Writes{})
                << what;
            EXPECT_EQ(record.accuracyWrites,
                      e.accuracyWritten ? toBothTunedPeds(phase, static_cast<std::uint32_t>(e.accuracy)) : Writes{})
                << what;
        }
        if (!failedBefore && ::testing::Test::HasFailure())
            std::fprintf(stderr, "settings file of seed %u:\n%s\n", static_cast<unsigned>(da::kSeeds[s]),
                         da::settingsText(s).c_str());
    }
}

// Agreement over files that never switch the plugin off, or never say 12829, would prove
// little: the seeds must reach every kind of value.
TEST(DoctorAgreesWithPlugin, TheFilesReachEveryKindOfValue) {
    std::map<std::string, int> phases;
    for (std::size_t s = 0; s < da::kSeedCount; ++s) {
        const SettingsCheck& check = doctorCheck(s);
        for (const WeatherEntry& weather : weatherTable) {
            const Expected e = expectedFor(check, weather);
            const std::int32_t read = entryFor(check, weather.accuracyKey).accuracy;
            ++phases[e.switchOn ? "switch on" : "switch off"];
            if (!e.switchOn) continue;
            if (read == kAccuracySentinel) ++phases["accuracy 12829"];
            if (e.accuracyWritten && read != kAccuracySentinel) ++phases["accuracy applied"];
            if (!e.accuracyWritten) ++phases["accuracy never applied"];
            if (e.damageModifier == 0.0f) ++phases["damage modifier 0"];
            if (e.damageWritten && e.damageModifier != 0.0f) ++phases["damage modifier applied"];
        }
    }
    for (const char* kind : {"switch on", "switch off", "accuracy 12829", "accuracy applied", "accuracy never applied",
                             "damage modifier 0", "damage modifier applied"})
        EXPECT_GT(phases[kind], 0) << "no phase with " << kind << ": choose other seeds in doctor_agreement.h";
}

}  // namespace
