// The ped tuning pass against a recording host that models the game.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "host/natives.h"
#include "tests/support/tuning_fixture.h"
#include "tuning/tuning_pass.h"

namespace {

using Names = std::vector<std::string>;

class TuningPass : public TuningFixture {
protected:
    void pass() {
        host().log.clear();
        runTuningPass(reader);
    }
};

struct SequenceCase {
    const char* what;
    const char* accuracy;  // Rain's settings
    const char* damage;
    std::int32_t pedAccuracy;
    float pedDamage;
    bool exempt;
    Names expected;
};

TEST_F(TuningPass, MakesTheNativeCallsOfEachCaseInOrder) {
    const SequenceCase cases[] = {
        {"exempt", "50", "0.5", 10, 1.0f, true, {"PedExemptTest"}},
        {"damage differs", "50", "0.5", 10, 1.0f, false, {"PedExemptTest", "PedDamageModRead", "PedDamageModWrite"}},
        {"damage equal, accuracy differs", "50", "0.5", 10, 0.5f, false,
         {"PedExemptTest", "PedDamageModRead", "PedAccuracyRead", "PedAccuracyWrite"}},
        {"damage and accuracy equal", "50", "0.5", 50, 0.5f, false,
         {"PedExemptTest", "PedDamageModRead", "PedAccuracyRead"}},
        {"accuracy outside 0 to 100", "101", "0.5", 10, 0.5f, false, {"PedExemptTest", "PedDamageModRead"}},
        {"sentinel, damage differs", "12829", "0.5", 50, 1.0f, false,
         {"PedExemptTest", "PedAccuracyRead", "PedDamageModRead", "PedDamageModWrite"}},
        {"sentinel, damage equal", "12829", "0.5", 10, 0.5f, false,
         {"PedExemptTest", "PedAccuracyRead", "PedDamageModRead", "PedAccuracyRead", "PedAccuracyWrite"}},
        {"sentinel, exempt", "12829", "0.5", 10, 0.5f, true, {"PedExemptTest"}},
    };
    for (const auto& c : cases) {
        resetHostAndPlugin();
        rainWith(c.accuracy, c.damage);
        world().spawn(c.pedAccuracy, c.pedDamage, c.exempt);
        pass();
        Names expected = {"WeatherQuery"};
        expected.insert(expected.end(), c.expected.begin(), c.expected.end());
        EXPECT_EQ(host().nativeNames(), expected) << c.what;
        const auto& calls = host().log.calls;
        ASSERT_GE(calls.size(), 2u);
        EXPECT_EQ(calls[1].kind, sim::CallKind::WorldGetAllPeds) << c.what;
        EXPECT_EQ(calls[1].args[0], 1024u) << c.what;
    }
}

// The game knows its natives by these hashes alone. They are written out here, apart from
// host/natives.h, because the recording host and the simulated game name the calls through that
// header and would follow a wrong digit in it; in the game a wrong hash calls another native.
TEST_F(TuningPass, CallsEachNativeByTheGamesHash) {
    const std::pair<const char*, std::uint64_t> games[] = {
        {"WeatherQuery", 0xDD560ABEF5D3784Cu},     {"PedExemptTest", 0x7D5B1F88E7504BBAu},
        {"PedAccuracyRead", 0x37F4AD56ECBC0CD6u},  {"PedAccuracyWrite", 0x7AEFB85C1D49DEB6u},
        {"PedDamageModRead", 0x936E7CAD0AE2EE14u}, {"PedDamageModWrite", 0xD77AE48611B7B10Au},
    };
    setRain("50", "0.5");
    world().weather = kRain;
    world().spawn(10, 1.0f);
    std::map<std::string, std::uint64_t> called;
    for (int frame = 0; frame < 2; ++frame) {  // the damage modifier first, the accuracy next
        pass();
        const Names names = host().nativeNames();
        const auto calls = host().natives();
        for (std::size_t i = 0; i < calls.size(); ++i) called[names[i]] = calls[i].hash;
    }
    for (const auto& [name, hash] : games) EXPECT_EQ(called[name], hash) << name;
}

TEST_F(TuningPass, SentinelTakesTheFirstTunedPedsAccuracyOrFortyFour) {
    struct Case {
        std::int32_t firstAccuracy;
        std::int32_t derived;
        bool written;
    };
    for (const Case c : {Case{50, 62, true}, Case{0, 44, true}, Case{100, 108, false}}) {
        resetHostAndPlugin();
        rainWith("12829", "1");
        world().spawn(7, 1.0f, true);  // exempt: not the source
        const auto first = world().spawn(c.firstAccuracy, 1.0f);
        const auto second = world().spawn(5, 1.0f);
        pass();
        EXPECT_EQ(tuningState.accuracy, c.derived);
        EXPECT_EQ(world().find(first)->accuracy, c.written ? c.derived : c.firstAccuracy);
        EXPECT_EQ(world().find(second)->accuracy, c.written ? c.derived : 5);
        EXPECT_EQ(world().counters.accuracyWrites, c.written ? 2u : 0u);
    }
}

TEST_F(TuningPass, SentinelIsReadAgainEachPassAndKeptWhileNoRowMatches) {
    rainWith("12829", "1");
    const auto ped = world().spawn(0, 1.0f);
    pass();
    EXPECT_EQ(tuningState.accuracy, 44);
    world().find(ped)->accuracy = 0x10;
    pass();
    EXPECT_EQ(tuningState.accuracy, 0x10 | 0x2C);
    world().weather = kNoRow;
    world().find(ped)->accuracy = 0;
    pass();
    EXPECT_EQ(tuningState.accuracy, 0x3C);  // derived value stays
    EXPECT_EQ(world().find(ped)->accuracy, 0x3C);
}

TEST_F(TuningPass, AppliesAccuracyOnlyFromZeroToHundred) {
    struct Case {
        const char* text;
        std::int32_t value;
        bool applied;
    };
    for (const Case c : {Case{"0", 0, true}, Case{"100", 100, true}, Case{"101", 101, false}, Case{"-1", -1, false},
                         Case{"-2147483648", -2147483647 - 1, false}}) {
        resetHostAndPlugin();
        rainWith(c.text, "0.5");
        const auto ped = world().spawn(55, 1.0f);
        pass();
        pass();
        EXPECT_FLOAT_EQ(world().find(ped)->damageModifier, 0.5f) << c.text;
        EXPECT_EQ(world().find(ped)->accuracy, c.applied ? c.value : 55) << c.text;
    }
}

TEST_F(TuningPass, NaNMatchesAnythingAndSignedZerosAreEqual) {
    rainWith("30", "0");
    const auto nanPed = world().spawn(10, 1.0f);
    world().find(nanPed)->damageReadsNaN = true;
    const auto negativeZero = world().spawn(10, -0.0f);
    pass();
    EXPECT_EQ(world().counters.damageWrites, 0u);
    EXPECT_EQ(world().find(nanPed)->accuracy, 30);
    EXPECT_EQ(world().find(negativeZero)->accuracy, 30);
    EXPECT_TRUE(std::signbit(world().find(negativeZero)->damageModifier));

    setRain("30", "nan");  // reads as 0.0
    pass();
    EXPECT_EQ(world().counters.damageWrites, 0u);
}

TEST_F(TuningPass, NaNSettingNeverDiffers) {
    rainWith("30", "1");
    const auto ped = world().spawn(10, 0.25f);
    tuningState.damageModifier = std::nanf("");
    world().weather = kNoRow;  // keep the NaN in the state
    pass();
    EXPECT_EQ(world().counters.damageWrites, 0u);
    EXPECT_FLOAT_EQ(world().find(ped)->damageModifier, 0.25f);
}

TEST_F(TuningPass, UnlistedWeatherBeforeAnyRowAppliesZeroes) {
    setRain("50", "0.5");
    world().weather = kNoRow;
    const auto ped = world().spawn(80, 1.0f);
    pass();
    EXPECT_EQ(world().find(ped)->damageModifier, 0.0f);
    EXPECT_EQ(world().find(ped)->accuracy, 80);
    pass();
    EXPECT_EQ(world().find(ped)->accuracy, 0);
    EXPECT_EQ(pedNatives(), (Names{"PedExemptTest", "PedDamageModRead", "PedAccuracyRead", "PedAccuracyWrite"}));
}

TEST_F(TuningPass, UnlistedWeatherAfterARowKeepsItsValuesAndReadsNoSettings) {
    rainWith("50", "0.5");
    pass();
    std::filesystem::remove(kSettingsFileName);  // would read as 0 and 0.0 if it were read
    world().weather = 0;
    const auto ped = world().spawn(80, 1.0f);
    pass();
    pass();
    EXPECT_EQ(tuningState.accuracy, 50);
    EXPECT_EQ(world().find(ped)->damageModifier, 0.5f);
    EXPECT_EQ(world().find(ped)->accuracy, 50);
}

TEST_F(TuningPass, ExemptPedsReceiveOnlyTheExemptTest) {
    rainWith("12829", "0.5");
    for (int i = 0; i < 5; ++i) world().spawn(1, 2.0f, true);
    pass();
    EXPECT_EQ(pedNatives(), Names(5, "PedExemptTest"));
    EXPECT_EQ(tuningState.accuracy, 12829);  // no ped to derive from: stays as read
}

TEST_F(TuningPass, VisitsOnlyTheHandlesTheBufferHolds) {
    struct Case {
        std::int32_t peds;
        std::optional<std::int32_t> reported;
        std::size_t visited;
    };
    for (const Case c : {Case{0, {}, 0}, Case{1, {}, 1}, Case{1024, {}, 1024}, Case{1500, {}, 1024},
                         Case{10, 5000, 1024}, Case{10, -1, 0}, Case{3, 0, 0}}) {
        resetHostAndPlugin();
        rainWith("50", "1");
        for (std::int32_t i = 0; i < c.peds; ++i) world().spawn(50, 1.0f, true);
        world().faults.reportedPedCount = c.reported;
        pass();
        const Names names = pedNatives();
        EXPECT_EQ(std::count(names.begin(), names.end(), "PedExemptTest"), static_cast<long>(c.visited)) << c.peds;
        // First to last, in buffer order.
        const auto natives = host().natives();
        if (c.peds >= 1024) {
            EXPECT_EQ(static_cast<std::int32_t>(natives[1].args[0]), world().peds().front().handle);
            EXPECT_EQ(static_cast<std::int32_t>(natives.back().args[0]), world().peds()[1023].handle);
        }
    }
}

TEST_F(TuningPass, NoPedsStillQueriesWeatherAndReadsSettings) {
    rainWith("12829", "0.5");
    pass();
    EXPECT_EQ(host().nativeNames(), Names{"WeatherQuery"});
    EXPECT_EQ(tuningState.accuracy, 12829);
    EXPECT_EQ(tuningState.damageModifier, 0.5f);
}

TEST_F(TuningPass, SettledWorldCostsReadsOnly) {
    rainWith("40", "0.75");
    for (int i = 0; i < 50; ++i) world().spawn(i, static_cast<float>(i), i % 7 == 0);
    pass();
    pass();
    const auto writesBefore = world().counters.accuracyWrites + world().counters.damageWrites;
    EXPECT_GT(writesBefore, 0u);
    pass();
    EXPECT_EQ(world().counters.accuracyWrites + world().counters.damageWrites, writesBefore);
    for (const auto& ped : world().peds()) {
        if (ped.exempt) continue;
        EXPECT_EQ(ped.accuracy, 40);
        EXPECT_EQ(ped.damageModifier, 0.75f);
    }
}

TEST_F(TuningPass, EncodesArgumentsAsZeroExtendedWords) {
    setRain("-7", "-2.5");  // -7 is never written, but the float is
    world().weather = kRain;
    world().peds().insert(world().peds().begin(), sim::Ped{-5, 0, 1.0f, false, false});
    pass();
    const auto natives = host().natives();
    ASSERT_EQ(natives.size(), 4u);
    EXPECT_EQ(natives[0].args[0], reinterpret_cast<std::uintptr_t>(&tuningState.weatherHash));
    EXPECT_EQ(natives[0].args[1], reinterpret_cast<std::uintptr_t>(&tuningState.secondWeatherHash));
    EXPECT_EQ(natives[1].args[0], 0x00000000FFFFFFFBull);
    EXPECT_EQ(natives[3].hash, NativeHashes::PedDamageModWrite);
    EXPECT_EQ(natives[3].args[0], 0x00000000FFFFFFFBull);
    EXPECT_EQ(natives[3].args[1], 0x00000000C0200000ull);  // -2.5f
    EXPECT_EQ(world().peds().front().damageModifier, -2.5f);
}

TEST_F(TuningPass, WeatherQueryWritesCorruptNoOtherField) {
    rainWith("12829", "1");
    world().nextWeather = kSnow;
    tuningState.enabled = 1;
    tuningState.accuracy = 0x11223344;
    tuningState.damageModifier = 3.0f;
    world().weather = kNoRow;  // nothing read into the state
    pass();
    EXPECT_EQ(tuningState.enabled, 1);
    EXPECT_EQ(tuningState.accuracy, 0x11223344);
    EXPECT_EQ(tuningState.damageModifier, 3.0f);
    EXPECT_EQ(tuningState.weatherHash.value(), kNoRow);
    EXPECT_EQ(tuningState.secondWeatherHash.value(), kSnow);
}

}  // namespace
