// For random settings files, the values the doctor reports are the ones the plugin applies:
// the switch the frame loop reads, and the accuracy and damage modifier the tuning pass puts
// into tuningState and into the peds. And once --fix has written the lines its warnings
// give, the plugin applies the values those lines promise. The plugin reads through Wine's
// profile functions here (the native stand-in follows Wine; the Windows build's tests run under
// Wine), so the doctor's reading is Wine's, over files Windows would read otherwise too.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "doctor/settings/settings_check.h"
#include "doctor/settings/settings_fix.h"
#include "plugin/frame_loop.h"
#include "tests/support/doctor_entries.h"
#include "tests/support/random_settings.h"
#include "tests/support/tuning_fixture.h"
#include "tuning/tuning_pass.h"

namespace {

constexpr profile_text::Reader kWine = profile_text::Reader::Wine;

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class DoctorAgreesWithPlugin : public TuningFixture {};

TEST_F(DoctorAgreesWithPlugin, ForRandomSettingsFiles) {
    constexpr std::int32_t kPedAccuracy = 20;
    constexpr float kPedDamage = 7.25f;
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        const std::string file = readApartSettingsFile(seed);
        writeFile(kSettingsFileName, file);
        const SettingsCheck check = checkSettingsFile(kSettingsFileName, {}, kWine);
        ASSERT_EQ(check.entries.size(), 1 + 2 * weatherTable.size());

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

// The promise is read from each "write instead" line with the C library, not with the
// plugin's own parser.
TEST_F(DoctorAgreesWithPlugin, FixedFilesGiveWhatTheWarningsPromised) {
    constexpr std::int32_t kPedAccuracy = 20;
    std::size_t promises = 0;
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        const std::string file = readApartSettingsFile(seed);
        writeFile(kSettingsFileName, file);
        const FixedFile fixed = fixSettings(file, checkSettingsFile(kSettingsFileName, {}, kWine));
        ASSERT_TRUE(fixed.refusal.empty()) << fixed.refusal;
        writeFile(kSettingsFileName, fixed.bytes);
        promises += fixed.applied.size();

        for (const Warning& promise : fixed.applied) {
            const std::size_t equals = promise.writeInstead.find('=');
            const std::string key = promise.writeInstead.substr(0, equals);
            const std::string value = promise.writeInstead.substr(equals + 1);
            const std::string what = "seed " + std::to_string(seed) + ", " + promise.writeInstead;
            resetHostAndPlugin();
            SettingsFile settings;
            settings.setPath(kSettingsFileName);
            if (key == kEnabledKey) {
                runFrame(settings, reader);
                EXPECT_EQ(tuningState.enabled != 0, std::strtol(value.c_str(), nullptr, 10) != 0) << what;
                continue;
            }
            const auto weather = std::find_if(weatherTable.begin(), weatherTable.end(), [&](const WeatherEntry& w) {
                return key == w.accuracyKey || key == w.damageModKey;
            });
            ASSERT_NE(weather, weatherTable.end()) << what;
            world().weather = weather->hash;
            world().spawn(kPedAccuracy, 7.25f);
            runTuningPass(reader);
            if (key == weather->damageModKey) {
                EXPECT_TRUE(sameBits(tuningState.damageModifier, std::strtof(value.c_str(), nullptr))) << what;
            } else {
                const auto promised = static_cast<std::int32_t>(std::strtol(value.c_str(), nullptr, 10));
                EXPECT_EQ(tuningState.accuracy, promised == kAccuracySentinel ? (kPedAccuracy | 0x2C) : promised)
                    << what;
            }
        }
        if (::testing::Test::HasFailure()) {
            std::fprintf(stderr, "settings file of seed %u:\n%s\nfixed:\n%s\n", seed, file.c_str(), fixed.bytes.c_str());
            return;
        }
    }
    EXPECT_GT(promises, 40u * 10u);  // random files hold about 20 faulty or missing values each
}

}  // namespace
