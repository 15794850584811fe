// For random settings files, the values the doctor reports are the ones the plugin applies:
// the switch the frame loop reads, and the accuracy and damage modifier the tuning pass puts
// into tuningState and into the peds.

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "doctor/settings_check.h"
#include "host/frame_loop.h"
#include "tests/support/settings_text.h"
#include "tests/support/tuning_fixture.h"
#include "tuning/tuning_pass.h"

namespace {

// Texts a player might write, well formed or not.
std::string randomText(std::mt19937& rng) {
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

std::string randomSettingsFile(std::mt19937& rng) {
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

const SettingsEntry& entryFor(const SettingsCheck& check, const char* key) {
    for (const SettingsEntry& entry : check.entries)
        if (entry.key == key) return entry;
    throw std::runtime_error(std::string("no entry ") + key);
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class DoctorAgreesWithPlugin : public TuningFixture {};

TEST_F(DoctorAgreesWithPlugin, ForRandomSettingsFiles) {
    constexpr std::int32_t kPedAccuracy = 20;
    constexpr float kPedDamage = 7.25f;
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        std::mt19937 rng(seed);
        const std::string file = randomSettingsFile(rng);
        writeFile(kSettingsFileName, file);
        const SettingsCheck check = checkSettingsFile(kSettingsFileName);
        ASSERT_EQ(check.entries.size(), 45u);

        resetHostAndPlugin();
        SettingsFile settings;
        settings.setPath(kSettingsFileName);
        runFrame(settings, reader);
        EXPECT_EQ(tuningState.enabled != 0, entryFor(check, "Enabled").switchOn) << "seed " << seed;

        for (const WeatherEntry& weather : weatherTable) {
            const SettingsEntry& accuracy = entryFor(check, weather.accuracyKey);
            const SettingsEntry& damage = entryFor(check, weather.damageModKey);
            const std::string what = "seed " + std::to_string(seed) + ", " + weather.name;

            resetHostAndPlugin();
            world().weather = weather.hash;
            const auto ped = world().spawn(kPedAccuracy, kPedDamage);
            runTuningPass(reader);
            const std::int32_t applied =
                accuracy.accuracy == kAccuracySentinel ? (kPedAccuracy | 0x2C) : accuracy.accuracy;
            EXPECT_EQ(tuningState.accuracy, applied) << what;
            EXPECT_TRUE(sameBits(tuningState.damageModifier, damage.damageModifier)) << what;
            EXPECT_TRUE(sameBits(world().find(ped)->damageModifier, damage.damageModifier)) << what;

            runTuningPass(reader);
            const bool applies = static_cast<std::uint32_t>(applied) <= 100u;
            EXPECT_EQ(world().find(ped)->accuracy, applies ? applied : kPedAccuracy) << what;
            EXPECT_EQ(meaningInPlay(accuracy).find("never applied") != std::string::npos,
                      accuracy.accuracy != kAccuracySentinel && !applies)
                << what;
        }
        if (::testing::Test::HasFailure()) {
            std::fprintf(stderr, "settings file of seed %u:\n%s\n", seed, file.c_str());
            return;
        }
    }
}

}  // namespace
