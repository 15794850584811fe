#pragma once
// Which accuracies the tuning pass applies, and what it does with the default file's: the facts
// the doctor and the simulated game hold a settings file against, apart from the pass itself.

#include <cstdint>

#include "settings/settings_file.h"

// The default file's accuracy: the pass then takes the first tuned ped's accuracy OR
// kFollowedAccuracyBits.
inline constexpr std::int32_t kAccuracySentinel = kDefaultAccuracy;
inline constexpr std::int32_t kFollowedAccuracyBits = 0x2C;

// An accuracy from 0 to 100 inclusive (a negative one wraps above 100 as an unsigned value): the
// only accuracies the pass applies; any other leaves the peds' accuracy alone.
inline constexpr bool inAccuracyRange(std::int32_t accuracy) { return static_cast<std::uint32_t>(accuracy) <= 100u; }
