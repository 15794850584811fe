#include "tuning/tuning_pass.h"

#include <algorithm>

#include "host/natives.h"
#include "host/script_host.h"
#include "host/tuning_state.h"
#include "tuning/weather_table.h"

std::array<std::int32_t, kPedCapacity> pedBuffer;

namespace {

// Both numbers and different. NaN on either side counts as matching; +0.0 equals -0.0.
bool differs(float current, float wanted) { return current < wanted || current > wanted; }

// 0 to 100 inclusive; a negative accuracy wraps above 100 as an unsigned value.
bool isApplicable(std::int32_t accuracy) { return static_cast<std::uint32_t>(accuracy) <= 100u; }

void tunePed(PedHandle ped) {
    if (PedExemptTest(ped) != 0) return;
    if (tuningState.accuracy == kAccuracySentinel) {
        // Every result has bit 0x20 set and the sentinel has not: at most once per pass.
        tuningState.accuracy = PedAccuracyRead(ped) | 0x2C;
    }
    if (differs(PedDamageModRead(ped), tuningState.damageModifier)) {
        PedDamageModWrite(ped, tuningState.damageModifier);
        return;  // the accuracy waits for a later pass
    }
    if (!isApplicable(tuningState.accuracy)) return;
    if (PedAccuracyRead(ped) != tuningState.accuracy) PedAccuracyWrite(ped, tuningState.accuracy);
}

}  // namespace

void runTuningPass(const IniReader& reader) {
    WeatherQuery(&tuningState.weatherHash.bits, &tuningState.secondWeatherHash.bits);
    const std::int32_t reported = worldGetAllPeds(pedBuffer.data(), kPedCapacity);
    // A host that reports more than it may write gets only the handles the buffer holds.
    const std::int32_t count = std::clamp(reported, 0, kPedCapacity);

    if (const WeatherEntry* entry = findWeatherEntry(tuningState.weatherHash.value())) {
        tuningState.accuracy = reader.readInt(entry->section, entry->accuracyKey, 0);
        tuningState.damageModifier = reader.readFloat(entry->section, entry->damageModKey, 0.0f);
    }

    for (std::int32_t i = 0; i < count; ++i) tunePed(pedBuffer[static_cast<std::size_t>(i)]);
}
