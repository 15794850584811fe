#pragma once
// Random settings files: the 45 default entries with texts a player might write in place of
// the values, well formed or not, and now and then a key left out. The same seed gives the
// same file on every machine (std::mt19937 and plain modulo draws, no library distributions).

#include <cstdint>
#include <iterator>
#include <random>
#include <string>

#include "tests/support/settings_text.h"

// Texts a player might write, well formed or not.
inline std::string randomText(std::mt19937& rng) {
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto digits = [&](int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += static_cast<char>('0' + pick(10));
        return s;
    };
    static const char* const words[] = {"true", "on", "off", "inf", "nan", "abc", "", " ", "-", "+", "e5"};
    static const char* const tails[] = {"", "", "", "abc", "x", ",5", ".", ".5", "e", "e+", "E-3", "e39", " ;note"};
    std::string text;
    switch (pick(8)) {
        case 0: text = words[pick(std::size(words))]; break;
        case 1: text = std::to_string(pick(201) - 50); break;
        case 2: text = "12829"; break;
        case 3: text = (pick(2) ? "-" : "") + digits(1 + pick(12)); break;
        case 4: text = digits(1 + pick(3)) + "." + digits(pick(9)); break;
        case 5: text = "0x" + digits(1 + pick(3)); break;
        case 6: text = digits(1 + pick(2)) + "," + digits(1 + pick(2)); break;
        default: text = std::string(200 + pick(120), '1'); break;
    }
    if (pick(3) == 0) text += tails[pick(std::size(tails))];
    if (pick(6) == 0) text = "  " + text;
    return text;
}

// The default file's lines, each value replaced by a random text; one key in ten is missing.
inline std::string randomSettingsFile(std::mt19937& rng) {
    SettingsLines lines;
    for (const std::string& line : defaultSettingsLines()) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            lines.push_back(line);
            continue;
        }
        if (rng() % 10 == 0) continue;  // a missing key
        lines.push_back(line.substr(0, equals + 1) + randomText(rng));
    }
    return joinLines(lines);
}

inline std::string randomSettingsFile(std::uint32_t seed) {
    std::mt19937 rng(seed);
    return randomSettingsFile(rng);
}
