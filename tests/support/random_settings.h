#pragma once
// Random settings files: the 45 default entries with texts a player might write in place of
// the values, well formed or not, and now and then a key left out. The same seed gives the
// same file on every machine (std::mt19937 and plain modulo draws, no library distributions).

#include <cstdint>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/settings_text.h"
#include "settings/weather_table.h"

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

// A seed's random file, in three seeds of four with lines Windows and Wine read apart: a UTF-8
// byte-order mark before [Settings], or a weather's header without its "]", or with two.
inline std::string readApartSettingsFile(std::uint32_t seed) {
    std::string file = randomSettingsFile(seed);
    const std::string header = std::string("[") + weatherTable[seed % weatherTable.size()].section;
    const std::size_t close = file.find(header) + header.size();
    switch (seed % 4) {
        case 1: return "\xEF\xBB\xBF" + file;
        case 2: return file.erase(close, 1);
        case 3: return file.insert(close, "]x");
        default: return file;
    }
}

// A weather's values as the player meant them: the plugin's reading once the mistake is
// fixed, or a choice when a person may read the mistake more than one way (then a warning
// must stand after --fix).
struct MeantWeather {
    std::string accuracy;  // as the doctor shows the value read
    std::string damage;
    bool choice = false;
};

struct PlayerFile {
    std::string text;
    std::vector<MeantWeather> weathers;  // in the weather table's order
    bool extraSection = false;           // a section the plugin never reads, holding values
};

// The default file with, in some weathers, one of the mistakes players make, made with the
// player's own values, each weather labelled with what was meant.
inline PlayerFile playerFile(std::mt19937& rng) {
    static const std::pair<int, const char*> inWords[] = {{20, "twenty"}, {35, "thirty-five"}, {50, "fifty"}};
    PlayerFile file;
    SettingsLines lines = {"[Settings]", "Enabled=1"};
    std::vector<unsigned> kinds;
    for (const WeatherEntry& weather : weatherTable) {
        const std::string section = std::string("[") + weather.section + "]";
        const std::string accuracyKey = weather.accuracyKey, damageKey = weather.damageModKey;
        const auto& word = inWords[rng() % std::size(inWords)];
        const std::string plain = std::to_string(word.first);
        const bool half = rng() % 2;
        const std::string damage = half ? "0.5" : "1.5";
        const std::string doubled = std::string(weather.name) + weather.name[std::strlen(weather.name) - 1];
        SettingsLines mine = {section, accuracyKey + "=" + plain, damageKey + "=" + damage};
        MeantWeather values{plain, damage};
        unsigned kind = static_cast<unsigned>(rng() % 22);
        // Another weather's key needs the weather before, holding its own key.
        if (kind == 19 && (kinds.empty() || kinds.back() == 3 || kinds.back() == 10)) kind = 21;
        kinds.push_back(kind);
        switch (kind) {
            case 0: mine[0] = std::string("[") + weather.name + "]"; break;
            case 1: mine[1] = "Accuracy=" + plain; break;
            case 2: mine[1] = accuracyKey + ": " + plain; break;
            case 3:
                mine.erase(mine.begin() + 1);
                lines.insert(lines.begin() + 2, accuracyKey + "=" + plain);  // under [Settings]
                break;
            case 4: mine[1] = accuracyKey + "=\xE2\x80\x9C" + plain + "\xE2\x80\x9D"; break;
            case 5: mine[2] = damageKey + "=" + (half ? "50%" : "150%"); break;
            case 6: mine[1] = accuracyKey + "=" + word.second; break;
            case 7: mine[2] = damageKey + "=" + (half ? "0,5" : "1,5"); break;
            case 8:
                mine[2] = damageKey.substr(0, damageKey.size() - 1);  // a damaged key, no value
                values.damage = "1";
                break;
            case 9:
                mine[0] = std::string("[") + weather.name + "]";
                mine[1] = "Accuracy=" + plain;
                break;
            case 10:
                mine.clear();
                values = MeantWeather{"12829", "1"};
                break;
            case 11: mine = {section, mine[1] + " " + mine[2]}; break;  // two keys on one line
            case 12: mine = {section + " " + mine[1], mine[2]}; break;  // a key on the header's line
            case 13:  // the whole section misspelt, keys and all
                mine = {"[WeatherType_" + doubled + "]", "Accuracy_" + doubled + "=" + plain,
                        "DamageMod_" + doubled + "=" + damage};
                break;
            case 14: mine[2] = damageKey + "=" + (half ? "50 percent" : "150 percent"); break;
            case 15: mine[2] = damageKey + "=" + (half ? "1/2" : "3/2"); break;
            case 16:  // full-width digits
                mine[1] = accuracyKey + "=";
                for (char digit : plain) mine[1] += std::string("\xEF\xBC") + static_cast<char>('\x90' + (digit - '0'));
                break;
            case 17: mine[0] = "[Section_" + std::string(weather.name) + "]"; break;  // renamed, the keys kept
            case 18:  // a person reads 1000, never applied: a choice
                mine[1] = accuracyKey + "=1e3";
                values.choice = true;
                break;
            case 19:  // the weather before's key in place of this one's: meant as either
                mine[1] = std::string((&weather)[-1].accuracyKey) + "=" + plain;
                values.choice = true;
                break;
            default: break;
        }
        lines.insert(lines.end(), mine.begin(), mine.end());
        file.weathers.push_back(values);
    }
    if (rng() % 8 == 0) {
        // A weather's section the plugin never reads: a weather with no section may be the one
        // it was meant for, so that weather's values are a choice too.
        lines.insert(lines.end(), {"[WeatherType_Clear]", "Accuracy_Clear=50"});
        file.extraSection = true;
        for (std::size_t i = 0; i < kinds.size(); ++i)
            if (kinds[i] == 10) file.weathers[i].choice = true;
    }
    file.text = joinLines(lines);
    return file;
}
