#pragma once
// The game's hash of a weather name, the hash each row of the weather table holds: Jenkins
// one-at-a-time over the name in lower case. The plugin never hashes a name (it compares the
// game's hash with the table's); the simulated game and the tests do.

#include <cstdint>
#include <string_view>

#include "platform/profile_text.h"

inline std::uint32_t weatherHashOf(std::string_view name) {
    std::uint32_t hash = 0;
    for (const char c : name) {
        hash += static_cast<unsigned char>(profile_text::lowerAscii(c));
        hash += hash << 10;
        hash ^= hash >> 6;
    }
    hash += hash << 3;
    hash ^= hash >> 11;
    hash += hash << 15;
    return hash;
}
