#pragma once
// The game's hash of a weather name, the hash each row of the weather table holds: Jenkins
// one-at-a-time over the name in lower case. The plugin never hashes a name (it compares the
// game's hash with the table's); the simulated game and the tests do.

#include <cstdint>
#include <cstdio>
#include <string>
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

// "0x54A69840": a hash as the simulated game's reports and the tests write it.
inline std::string hashText(std::uint32_t hash) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hash));
    return text;
}
