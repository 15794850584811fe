// For random settings files, the values the doctor reports are the ones the plugin applies:
// the switch the frame loop reads, and the accuracy and damage modifier the tuning pass puts
// into tuningState and into the peds.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "doctor/settings_check.h"
#include "host/frame_loop.h"
#include "tests/support/random_settings.h"
#include "tests/support/tuning_fixture.h"
#include "tuning/tuning_pass.h"

namespace {

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
        const std::string file = randomSettingsFile(seed);
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
