#include "sim/random_events.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "settings/settings_file.h"
#include "settings/weather_hash.h"
#include "settings/weather_table.h"
#include "sim/draw.h"
#include "tuning/accuracy_rules.h"

namespace sim {

void addRandomEvents(Scenario& scenario, std::uint32_t count, std::int32_t maxPeds) {
    if (count == 0) return;
    Draw draw(scenario.seed ^ 0xC4A05ull);
    std::vector<std::uint32_t> frames(count);
    for (std::uint32_t& frame : frames) frame = static_cast<std::uint32_t>(draw.next() % scenario.frames);
    std::sort(frames.begin(), frames.end());

    auto pick = [&](std::initializer_list<const char*> choices) {
        return std::string(*(choices.begin() + draw.next() % choices.size()));
    };
    auto randomBytes = [&](std::size_t n) {
        std::string bytes;
        for (std::size_t i = 0; i < n; ++i) bytes += static_cast<char>(draw.next() & 0xFFu);
        return bytes;
    };
    auto accuracyText = [&]() -> std::string {
        switch (draw.next() % 6) {
            case 0: return std::to_string(kAccuracySentinel);
            case 1: return std::to_string(draw.between(-50, 150));
            case 2: return pick({"abc", "", "  ", "0x20", "12.9", "50abc", "2147483648", "-2147483649"});
            case 3: return std::string(300, '7');
            default: return std::to_string(draw.between(0, 100));
        }
    };
    auto damageText = [&]() -> std::string {
        char buffer[32];
        switch (draw.next() % 5) {
            case 0: return pick({"nan", "inf", "1e39", "0,5", "1.5e", "-0.25", "", "x"});
            case 1: return "0." + std::string(280, '5');
            default:
                std::snprintf(buffer, sizeof buffer, "%.2f", static_cast<double>(draw.between(0.0f, 3.0f)));
                return buffer;
        }
    };

    std::int64_t peds = scenario.peds.count;
    for (const std::uint32_t frame : frames) {
        ScenarioEvent event;
        event.frame = frame;
        std::uint64_t kind = draw.next() % 100;
        const std::int32_t n = draw.between(1, 40);
        if (kind >= 12 && kind < 32 && peds + n > maxPeds) kind = 32;  // a spawn too many: a despawn
        if (kind < 12) {
            event.kind = EventKind::Weather;
            if (draw.next() % 5 == 0) {
                event.weatherName = "Unlisted" + std::to_string(draw.between(0, 9));
            } else {
                event.weatherName = weatherTable[draw.next() % weatherTable.size()].name;
            }
            event.weatherHash = weatherHashOf(event.weatherName);
        } else if (kind < 32) {
            event.kind = EventKind::Spawn;
            event.peds.count = n;
            event.peds.accuracyMin = 0;
            event.peds.accuracyMax = 100;
            event.peds.damageMin = 0.1f;
            event.peds.damageMax = 3.0f;
            event.peds.exemptShare = 0.1;
            peds += n;
        } else if (kind < 52) {
            event.kind = EventKind::Despawn;
            event.count = n;
            peds = std::max<std::int64_t>(0, peds - n);
        } else if (kind < 92) {
            event.kind = kind < 82 ? EventKind::SetKey : EventKind::DeleteKey;
            if (draw.next() % 10 == 0) {
                event.section = kSettingsSection;
                event.key = kEnabledKey;
                event.text = pick({"1", "1", "1", "1", "1", "1", "0", "2", "yes", ""});
            } else {
                const WeatherEntry& entry = weatherTable[draw.next() % weatherTable.size()];
                event.section = entry.section;
                const bool accuracy = draw.next() % 2 == 0;
                event.key = accuracy ? entry.accuracyKey : entry.damageModKey;
                event.text = accuracy ? accuracyText() : damageText();
            }
        } else if (kind < 96) {
            event.kind = EventKind::DeleteFile;
        } else {
            event.kind = EventKind::WriteFile;
            if (draw.next() % 3 == 0) {
                event.text = randomBytes(static_cast<std::size_t>(draw.between(1, 512)));
            } else {
                const WeatherEntry& entry = weatherTable[draw.next() % weatherTable.size()];
                event.text = std::string("[Settings]\r\nEnabled=1\r\n[") + entry.section + "]\r\n" + entry.accuracyKey +
                             "=" + accuracyText() + "\r\n" + entry.damageModKey + "=" + damageText() + "\r\n";
            }
        }
        scenario.events.push_back(std::move(event));
    }
}

}  // namespace sim
