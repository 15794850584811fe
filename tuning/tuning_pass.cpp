#include "tuning/tuning_pass.h"

#include <algorithm>

#include "host/natives.h"
#include "host/script_host.h"
#include "settings/weather_table.h"
#include "tuning/tuning_state.h"

std::array<std::int32_t, kPedCapacity> pedBuffer;

namespace {

// Both numbers and different. NaN on either side counts as matching; +0.0 equals -0.0.
bool differs(float current, float wanted) { return current < wanted || current > wanted; }

// A ped the game does not exempt: its damage modifier when that differs, otherwise its
// accuracy when the pass's accuracy is one a ped can take.
template <bool kAccuracyApplies>
void tuneValues(PedHandle ped, std::int32_t accuracy, float damageModifier) {
    if (differs(PedDamageModRead(ped), damageModifier)) {
        PedDamageModWrite(ped, damageModifier);
        return;  // the accuracy waits for a later pass
    }
    if constexpr (kAccuracyApplies) {
        if (PedAccuracyRead(ped) != accuracy) PedAccuracyWrite(ped, accuracy);
    }
}

// The peds after the accuracy is settled for the pass. The values are passed in, not read
// from tuningState, so they stay in registers across the native calls: this loop is the
// plugin's whole per-ped cost.
template <bool kAccuracyApplies>
void tunePeds(const PedHandle* ped, const PedHandle* end, std::int32_t accuracy, float damageModifier) {
    for (; ped != end; ++ped) {
        const PedHandle handle = *ped;  // read once: the buffer is a global the calls could reach
        if (PedExemptTest(handle) != 0) continue;
        tuneValues<kAccuracyApplies>(handle, accuracy, damageModifier);
    }
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

    const PedHandle* ped = pedBuffer.data();
    const PedHandle* const end = ped + count;
    // While the accuracy is the sentinel, the first ped the game does not exempt supplies it:
    // its own accuracy OR 0x2C (kFollowedAccuracyBits). Every such value has bit 0x20 set and the sentinel has not, so
    // this loop ends with that ped, and the accuracy stays in tuningState.
    while (ped != end && tuningState.accuracy == kAccuracySentinel) {
        const PedHandle first = *ped++;
        if (PedExemptTest(first) != 0) continue;
        tuningState.accuracy = PedAccuracyRead(first) | kFollowedAccuracyBits;
        if (inAccuracyRange(tuningState.accuracy)) tuneValues<true>(first, tuningState.accuracy, tuningState.damageModifier);
        else tuneValues<false>(first, tuningState.accuracy, tuningState.damageModifier);
    }

    const std::int32_t accuracy = tuningState.accuracy;
    const float damageModifier = tuningState.damageModifier;
    if (inAccuracyRange(accuracy)) tunePeds<true>(ped, end, accuracy, damageModifier);
    else tunePeds<false>(ped, end, accuracy, damageModifier);
}
