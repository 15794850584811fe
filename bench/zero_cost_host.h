#pragma once
// A script host whose natives answer from arrays, for the benchmarks: the cheapest host the
// plugin could run on, so that whatever a benchmark measures beyond the bare native calls is
// the plugin's own. Ped i has handle i. It implements the nine host functions, so nothing
// else that does (the tests' recording host) may be linked with it.

#include <array>
#include <cstdint>

#include "tuning/tuning_pass.h"

struct ZeroCostWorld {
    static constexpr std::int32_t kCapacity = kPedCapacity;  // as many peds as the plugin takes

    std::uint32_t weather = 0;
    std::int32_t pedCount = 0;
    std::array<std::int32_t, kCapacity> exempt{};
    std::array<std::int32_t, kCapacity> accuracy{};
    std::array<float, kCapacity> damageModifier{};
    std::uint64_t writes = 0;  // ped values written, to tell a settled world from one that isn't
    std::uint64_t calls = 0;   // natives called, and of them those this host has no answer for:
    std::uint64_t unanswered = 0;  // the floor is checked against the pass with them

    // `count` peds, none exempt, all at these values.
    void fill(std::int32_t count, std::int32_t pedAccuracy, float pedDamage);
};

extern ZeroCostWorld zeroCostWorld;
