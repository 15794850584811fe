#pragma once
// Deterministic draws (splitmix64) for everything a scenario leaves to chance: the peds'
// values, random bytes, random events. The same seed plays the same on every machine.

#include <cmath>
#include <cstdint>

namespace sim {

class Draw {
public:
    explicit Draw(std::uint64_t seed) : state(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::int32_t between(std::int32_t low, std::int32_t high) {
        const auto span = static_cast<std::uint64_t>(static_cast<std::int64_t>(high) - low) + 1;
        return static_cast<std::int32_t>(low + static_cast<std::int64_t>(next() % span));
    }
    // Two decimals, so the report's values read well.
    float between(float low, float high) {
        const double unit = static_cast<double>(next() >> 11) / 9007199254740992.0;
        return static_cast<float>(std::round((low + (high - low) * unit) * 100.0) / 100.0);
    }

private:
    std::uint64_t state;
};

}  // namespace sim
