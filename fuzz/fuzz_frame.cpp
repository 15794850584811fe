// Whole frames against any settings file, with the recording host and a world drawn from the
// input, whose answers may be any the game may give (any non-zero exempt answer, any accuracy,
// damage modifier bits, handle and count, junk above each answer). Every frame's host calls must be exactly what the ped case table allows for the
// values the game reported, the record must end with the values applied, and the file
// must never change.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "fuzz/fuzz_support.h"
#include "host/natives.h"
#include "platform/float_bits.h"
#include "plugin/frame_loop.h"
#include "settings/weather_table.h"
#include "tests/support/recording_host.h"
#include "tuning/tuning_pass.h"
#include "tuning/tuning_state.h"

namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

template <typename T, std::size_t N>
T pickEdge(FuzzedDataProvider& in, const T (&edges)[N]) {
    return edges[in.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
}

// The values the game's checks hinge on, the ends of the 32-bit range, and anything else.
std::int32_t pickAccuracy(FuzzedDataProvider& in) {
    constexpr std::int32_t kEdges[] = {0, 50, 100, 101, -1, kAccuracySentinel, 0x3E, 108, kMin, kMax, 0x100};
    if (in.ConsumeBool()) return pickEdge(in, kEdges);
    return in.ConsumeIntegral<std::int32_t>();
}

// Both zeros, subnormals, the smallest normals, the largest and lowest, infinities, NaNs of
// either sign with and without a payload, and any bits.
float pickDamage(FuzzedDataProvider& in) {
    constexpr std::uint32_t kEdges[] = {0x3F800000u, 0x3F000000u, 0x00000000u, 0x80000000u, 0x00000001u, 0x807FFFFFu,
                                        0x00800000u, 0x7F7FFFFFu, 0xFF7FFFFFu, 0x7F800000u, 0xFF800000u, 0x7FC00000u,
                                        0xFFC00000u, 0x7F800001u, 0x41A00000u};
    if (in.ConsumeBool()) return floatFromBits(pickEdge(in, kEdges));
    return floatFromBits(in.ConsumeIntegral<std::uint32_t>());
}

std::uint32_t pickWeather(FuzzedDataProvider& in) {
    if (in.ConsumeBool()) return weatherTable[in.ConsumeIntegralInRange<std::size_t>(0, kWeatherCount - 1)].hash;
    return in.ConsumeIntegral<std::uint32_t>();
}

// What the exempt test answers for an exempt ped: any value but 0.
std::int32_t pickExemptAnswer(FuzzedDataProvider& in) {
    constexpr std::int32_t kEdges[] = {1, 2, -1, 0x100, kMin, kMax, 0x80, 0x10000};
    if (in.ConsumeBool()) return pickEdge(in, kEdges);
    const auto any = in.ConsumeIntegral<std::int32_t>();
    return any != 0 ? any : 1;
}

// The count worldGetAllPeds returns: none, one, the capacity, above it, negative, anything.
std::int32_t pickCount(FuzzedDataProvider& in, std::int32_t peds) {
    constexpr std::int32_t kEdges[] = {0, 1, kPedCapacity, kPedCapacity + 1, kMax, -1, kMin, 5000};
    switch (in.ConsumeIntegralInRange<int>(0, 2)) {
        case 0: return pickEdge(in, kEdges);
        case 1: return in.ConsumeIntegralInRange<std::int32_t>(0, peds + 3);
        default: return in.ConsumeIntegral<std::int32_t>();
    }
}

void buildWorld(FuzzedDataProvider& in) {
    sim::World& world = recordingHost().world;
    world.weather = pickWeather(in);
    // The upper half of every answer's slot: the plugin reads only the low 32 bits.
    constexpr std::uint32_t kHighHalves[] = {0u, 0xFFFFFFFFu, 0xA5A5A5A5u, 1u};
    world.slotHighHalf = in.ConsumeBool() ? pickEdge(in, kHighHalves) : in.ConsumeIntegral<std::uint32_t>();
    const bool anyHandles = in.ConsumeBool();  // handles of any value, not the world's own
    const auto peds = in.ConsumeIntegralInRange<int>(0, 24);
    for (int i = 0; i < peds; ++i) {
        const std::int32_t accuracy = pickAccuracy(in);
        const float damage = pickDamage(in);
        const bool exempt = in.ConsumeBool();
        std::int32_t handle = 0;
        if (anyHandles) {
            handle = in.ConsumeIntegral<std::int32_t>();
            if (world.find(handle) != nullptr) continue;
            world.spawnAs(handle, accuracy, damage, exempt);
        } else {
            handle = world.spawn(accuracy, damage, exempt);
        }
        sim::Ped& ped = *world.find(handle);
        if (exempt) ped.exemptAnswer = pickExemptAnswer(in);
        ped.damageReadsNaN = in.ConsumeProbability<float>() < 0.1f;
    }
    if (in.ConsumeBool()) world.faults.reportedPedCount = pickCount(in, peds);
    // Values a previous frame may have left behind.
    if (in.ConsumeBool()) {
        tuningState.accuracy = pickAccuracy(in);
        tuningState.damageModifier = pickDamage(in);
    }
}

// Walks the frame's calls as the case table allows them. `accuracy` and `damage` are what the
// pass loaded (from the file, or kept from before for a weather with no row).
class FrameCheck {
public:
    explicit FrameCheck(const std::vector<sim::HostCall>& recorded) : calls(recorded) {}

    void pass(std::int32_t accuracy, float damage) {
        const sim::HostCall& weather = next("WeatherQuery");
        FUZZ_CHECK(weather.argc == 2 && weather.args[0] == reinterpret_cast<std::uintptr_t>(&tuningState.weatherHash) &&
                       weather.args[1] == reinterpret_cast<std::uintptr_t>(&tuningState.secondWeatherHash),
                   "WeatherQuery not given the two record cells");
        FUZZ_CHECK(at < calls.size() && calls[at].kind == sim::CallKind::WorldGetAllPeds && calls[at].args[0] == kPedCapacity,
                   "no worldGetAllPeds with the plugin's capacity after the weather query");
        const auto reported = static_cast<std::int32_t>(static_cast<std::uint32_t>(calls[at++].result));
        const std::int32_t count = std::clamp(reported, 0, kPedCapacity);

        bool sentinel = accuracy == kAccuracySentinel;
        for (std::int32_t i = 0; i < count; ++i) {
            const PedHandle ped = pedBuffer[static_cast<std::size_t>(i)];
            if (read32(next("PedExemptTest", ped)) != 0) continue;
            if (sentinel) {
                accuracy = read32(next("PedAccuracyRead", ped)) | 0x2C;
                sentinel = false;
            }
            const float current = floatFromBits(read32(next("PedDamageModRead", ped)));
            if (current < damage || current > damage) {
                const sim::HostCall& write = next("PedDamageModWrite", ped);
                FUZZ_CHECK(write.argc == 2 && write.args[1] == floatBits(damage), "wrong damage modifier written");
                continue;
            }
            if (static_cast<std::uint32_t>(accuracy) > 100u) continue;
            if (static_cast<std::int32_t>(read32(next("PedAccuracyRead", ped))) != accuracy) {
                const sim::HostCall& write = next("PedAccuracyWrite", ped);
                FUZZ_CHECK(write.argc == 2 && write.args[1] == static_cast<std::uint32_t>(accuracy),
                           "wrong accuracy written");
            }
        }
        FUZZ_CHECK(tuningState.accuracy == accuracy, "record holds accuracy %d, the pass applied %d",
                   tuningState.accuracy, accuracy);
        FUZZ_CHECK(floatBits(tuningState.damageModifier) == floatBits(damage), "record holds another damage modifier");
    }

    void finished() const {
        FUZZ_CHECK(at == calls.size(), "a host call the case table does not allow: %s", sim::describe(calls[at]).c_str());
    }

private:
    const std::vector<sim::HostCall>& calls;
    std::size_t at = 0;

    static std::uint32_t read32(const sim::HostCall& call) { return static_cast<std::uint32_t>(call.result); }

    const sim::HostCall& next(const char* native, PedHandle ped) {
        const sim::HostCall& call = next(native);
        FUZZ_CHECK(call.argc >= 1 && call.args[0] == static_cast<std::uint32_t>(ped), "%s for the wrong ped: %s",
                   native, sim::describe(call).c_str());
        return call;
    }

    const sim::HostCall& next(const char* native) {
        FUZZ_CHECK(at < calls.size(), "expected %s, the frame ended", native);
        const sim::HostCall& call = calls[at++];
        FUZZ_CHECK(call.kind == sim::CallKind::Native && sim::nativeName(call.hash) == native,
                   "expected %s, got %s", native, sim::describe(call).c_str());
        return call;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const InScratchDirectory scratch;  // the plugin's file is "./Veltrane.ini"
    FuzzedDataProvider in(data, size);
    resetHostAndPlugin();
    buildWorld(in);
    const int frames = in.ConsumeIntegralInRange<int>(1, 3);
    const std::string content = in.ConsumeRemainingBytesAsString();
    writeBytes(kSettingsFileName, content);

    SettingsFile settings;
    const IniReader reader = startScript(settings);
    for (int frame = 0; frame < frames; ++frame) {
        const TuningState before = tuningState;
        recordingHost().log.clear();
        runFrame(settings, reader);

        FrameCheck check(recordingHost().log.calls);
        const bool enabled = reader.readBool("Settings", "Enabled", false);
        FUZZ_CHECK(tuningState.enabled == (enabled ? 1 : 0), "switch recorded as %d", tuningState.enabled);
        if (enabled) {
            std::int32_t accuracy = before.accuracy;
            float damage = before.damageModifier;
            if (const WeatherEntry* entry = findWeatherEntry(tuningState.weatherHash.value())) {
                accuracy = reader.readInt(entry->section, entry->accuracyKey, 0);
                damage = reader.readFloat(entry->section, entry->damageModKey, 0.0f);
            }
            check.pass(accuracy, damage);
        }
        check.finished();
        FUZZ_CHECK(readBytes(kSettingsFileName) == content, "frame %d changed the settings file", frame);
    }
    return 0;
}
