#pragma once
// The plugin's record of what it read and applies: zero at load, never reset, written by the
// tuning pass and the switch read beside it (tuning_pass.h) alone.

#include <cstdint>

// One of the game's script slots. WeatherQuery writes 8 bytes through each pointer it is
// given, so each cell it fills must be 8 bytes wide and aligned, or the write would spill
// into the fields that follow.
struct alignas(8) ScriptSlot {
    std::uint64_t bits;
    // The 32-bit value the game reports lives in the slot's low half.
    std::uint32_t value() const { return static_cast<std::uint32_t>(bits); }
};

struct TuningState {
    ScriptSlot secondWeatherHash;  // the weather query's second cell, never read
    std::uint8_t enabled;          // last "Enabled" read; 0 off
    ScriptSlot weatherHash;        // current weather, as the game reports it
    std::int32_t accuracy;         // what the pass applies to peds
    float damageModifier;          // what the pass applies to peds
};

extern TuningState tuningState;
