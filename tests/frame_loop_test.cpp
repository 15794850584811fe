// The script's start-up and frame, with a recording host and a real settings file.

#include <gtest/gtest.h>

#include "plugin/frame_loop.h"
#include "tests/support/tuning_fixture.h"

namespace {

class FrameLoop : public TuningFixture {
protected:
    SettingsFile settings;

    void frame(const IniReader& frameReader) {
        host().log.clear();
        runFrame(settings, frameReader);
    }
};

TEST_F(FrameLoop, FirstStartWritesDefaultsAndTunesFromTheFirstFrame) {
    world().weather = kRain;
    const auto ped = world().spawn(50, 1.0f);
    const IniReader started = startScript(settings);
    EXPECT_EQ(started.path, "./Veltrane.ini");
    EXPECT_TRUE(std::filesystem::is_regular_file("Veltrane.ini"));
    EXPECT_TRUE(host().log.calls.empty());  // start-up makes no host call

    frame(started);
    EXPECT_EQ(tuningState.enabled, 1);
    EXPECT_EQ(tuningState.accuracy, 62);  // sentinel from the ped's 50
    frame(started);
    EXPECT_EQ(world().find(ped)->accuracy, 62);
}

TEST_F(FrameLoop, DeletedFileGivesOneIdleFrameThenComesBack) {
    const IniReader started = startScript(settings);
    world().weather = kRain;
    frame(started);
    EXPECT_FALSE(host().nativeNames().empty());

    std::filesystem::remove("Veltrane.ini");
    frame(started);
    EXPECT_EQ(tuningState.enabled, 0);
    EXPECT_TRUE(host().log.calls.empty());
    EXPECT_TRUE(std::filesystem::exists("Veltrane.ini"));

    frame(started);
    EXPECT_EQ(tuningState.enabled, 1);
    EXPECT_FALSE(host().nativeNames().empty());
}

TEST_F(FrameLoop, SwitchOffMeansNoNativeCallAndKeepsTheState) {
    rainWith("40", "0.5");
    world().spawn(10, 1.0f);
    const IniReader started = startScript(settings);
    frame(started);
    const TuningState before = tuningState;

    writeFile(kSettingsFileName, "[Settings]\r\nEnabled=0\r\n[WeatherType_Rain]\r\nAccuracy_Rain=1\r\n");
    world().weather = kSnow;
    frame(started);
    EXPECT_EQ(tuningState.enabled, 0);
    EXPECT_TRUE(host().log.calls.empty());
    EXPECT_EQ(tuningState.weatherHash.bits, before.weatherHash.bits);
    EXPECT_EQ(tuningState.accuracy, before.accuracy);
    EXPECT_EQ(tuningState.damageModifier, before.damageModifier);
}

TEST_F(FrameLoop, ExistingFileIsNeverTouched) {
    const std::string text = "; the player's own\r\n[Settings]\r\nEnabled=true\r\n";
    writeFile(kSettingsFileName, text);
    const IniReader started = startScript(settings);
    for (int i = 0; i < 3; ++i) frame(started);
    EXPECT_EQ(readFile(kSettingsFileName), text);
    EXPECT_EQ(tuningState.enabled, 0);  // "true" is not a number
}

TEST_F(FrameLoop, EditTakesEffectInTheNextFrame) {
    rainWith("40", "0.5");
    const auto ped = world().spawn(10, 0.5f);
    const IniReader started = startScript(settings);
    frame(started);
    EXPECT_EQ(world().find(ped)->accuracy, 40);
    setRain("41", "0.5");
    frame(started);
    EXPECT_EQ(world().find(ped)->accuracy, 41);
}

}  // namespace
