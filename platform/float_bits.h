#pragma once
// A float's IEEE-754 bit pattern and back: how a float travels in the host's argument words
// and result slots, and how the trace, the tests and the fuzzers compare floats exactly.

#include <cstdint>
#include <cstring>

inline std::uint32_t floatBits(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline float floatFromBits(std::uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
