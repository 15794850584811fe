// The ped tuning pass against a recording host that models the game.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>

#include "host/natives.h"
#include "platform/float_bits.h"
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
    std::int32_t exempt;  // the exempt test's answer: any value but 0 exempts
    Names expected;
};

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
// The upper half of every answer's slot, which the game leaves as it likes.
constexpr std::uint32_t kHighHalves[] = {0u, 0xFFFFFFFFu, 0xA5A5A5A5u};


TEST_F(TuningPass, MakesTheNativeCallsOfEachCaseInOrder) {
    std::vector<SequenceCase> cases = {
        {"damage differs", "50", "0.5", 10, 1.0f, 0, {"PedExemptTest", "PedDamageModRead", "PedDamageModWrite"}},
        {"damage equal, accuracy differs", "50", "0.5", 10, 0.5f, 0,
         {"PedExemptTest", "PedDamageModRead", "PedAccuracyRead", "PedAccuracyWrite"}},
        {"damage and accuracy equal", "50", "0.5", 50, 0.5f, 0,
         {"PedExemptTest", "PedDamageModRead", "PedAccuracyRead"}},
        {"accuracy outside 0 to 100", "101", "0.5", 10, 0.5f, 0, {"PedExemptTest", "PedDamageModRead"}},
        {"sentinel, damage differs", "12829", "0.5", 50, 1.0f, 0,
         {"PedExemptTest", "PedAccuracyRead", "PedDamageModRead", "PedDamageModWrite"}},
        {"sentinel, damage equal", "12829", "0.5", 10, 0.5f, 0,
         {"PedExemptTest", "PedAccuracyRead", "PedDamageModRead", "PedAccuracyRead", "PedAccuracyWrite"}},
    };
    // Any answer but 0 exempts, with plain settings and with the sentinel: the ped is only asked.
    for (const std::int32_t answer : {1, 2, -1, 0x100, kMin, kMax}) {
        cases.push_back({"exempt", "50", "0.5", 10, 1.0f, answer, {"PedExemptTest"}});
        cases.push_back({"sentinel, exempt", "12829", "0.5", 10, 0.5f, answer, {"PedExemptTest"}});
    }
    for (const auto& c : cases) {
        for (const std::uint32_t high : kHighHalves) {
            resetHostAndPlugin();
            rainWith(c.accuracy, c.damage);
            world().slotHighHalf = high;
            const auto ped = world().spawn(c.pedAccuracy, c.pedDamage, c.exempt != 0);
            world().find(ped)->exemptAnswer = c.exempt;
            pass();
            Names expected = {"WeatherQuery"};
            expected.insert(expected.end(), c.expected.begin(), c.expected.end());
            EXPECT_EQ(host().nativeNames(), expected) << c.what << ", answered " << c.exempt << ", upper half " << high;
            const auto& calls = host().log.calls;
            ASSERT_GE(calls.size(), 2u);
            EXPECT_EQ(calls[1].kind, sim::CallKind::WorldGetAllPeds) << c.what;
            EXPECT_EQ(calls[1].args[0], 1024u) << c.what;
        }
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
    // The first ped's accuracy may be any 32-bit value; a negative one or one above 100 is
    // applied to no ped.
    for (const Case c : {Case{50, 62, true}, Case{0, 44, true}, Case{100, 108, false}, Case{-1, -1, false},
                         Case{kMin, kMin | 0x2C, false}, Case{kMax, kMax, false}, Case{0x100, 0x12C, false}}) {
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

// A damage modifier the game reports and the pass's own, of any bits: written only when both
// are numbers and they differ.
TEST_F(TuningPass, ComparesDamageModifiersOfAnyBitsAsNumbers) {
    struct Case {
        const char* what;
        std::uint32_t reported;
        std::uint32_t wanted;
        bool written;
    };
    const Case cases[] = {
        {"quiet NaN", 0x7FC00000u, 0x3F000000u, false},
        {"NaN with the sign bit", 0xFFC00000u, 0x3F000000u, false},
        {"signalling NaN", 0x7F800001u, 0x3F000000u, false},
        {"NaN with a payload", 0x7FBFFFFFu, 0x3F000000u, false},
        {"the pass's NaN", 0x3F000000u, 0xFFC00000u, false},
        {"-0.0 against +0.0", 0x80000000u, 0x00000000u, false},
        {"+0.0 against -0.0", 0x00000000u, 0x80000000u, false},
        {"the smallest subnormal against +0.0", 0x00000001u, 0x00000000u, true},
        {"a negative subnormal against -0.0", 0x80000001u, 0x80000000u, true},
        {"the smallest normal against the largest subnormal", 0x00800000u, 0x007FFFFFu, true},
        {"the largest against infinity", 0x7F7FFFFFu, 0x7F800000u, true},
        {"infinity against infinity", 0x7F800000u, 0x7F800000u, false},
        {"minus infinity against the lowest", 0xFF800000u, 0xFF7FFFFFu, true},
        {"minus infinity against minus infinity", 0xFF800000u, 0xFF800000u, false},
    };
    for (const Case& c : cases) {
        resetHostAndPlugin();
        setRain("30", "1");
        world().weather = kNoRow;  // the pass applies what its record holds
        tuningState.accuracy = 30;
        tuningState.damageModifier = floatFromBits(c.wanted);
        const auto ped = world().spawn(10, floatFromBits(c.reported));
        pass();
        EXPECT_EQ(world().counters.damageWrites, c.written ? 1u : 0u) << c.what;
        EXPECT_EQ(floatBits(world().find(ped)->damageModifier), c.written ? c.wanted : c.reported) << c.what;
        // A ped whose damage modifier counts as matching goes on to its accuracy.
        EXPECT_EQ(world().find(ped)->accuracy, c.written ? 10 : 30) << c.what;
    }
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
                         Case{10, 5000, 1024}, Case{10, -1, 0}, Case{3, 0, 0}, Case{3, 1, 1}, Case{1030, 1025, 1024},
                         Case{10, kMax, 1024}, Case{10, kMin, 0}}) {
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
    // A handle is any 32-bit value the game gives.
    const std::pair<std::int32_t, std::uint64_t> handles[] = {
        {-5, 0x00000000FFFFFFFBull}, {kMin, 0x0000000080000000ull}, {-1, 0x00000000FFFFFFFFull},
        {0, 0}, {kMax, 0x000000007FFFFFFFull}};
    for (const auto& [handle, word] : handles) {
        resetHostAndPlugin();
        setRain("-7", "-2.5");  // -7 is never written, but the float is
        world().weather = kRain;
        world().spawnAs(handle, 0, 1.0f);
        pass();
        const auto natives = host().natives();
        ASSERT_EQ(natives.size(), 4u) << handle;
        EXPECT_EQ(natives[0].args[0], reinterpret_cast<std::uintptr_t>(&tuningState.weatherHash));
        EXPECT_EQ(natives[0].args[1], reinterpret_cast<std::uintptr_t>(&tuningState.secondWeatherHash));
        EXPECT_EQ(natives[1].args[0], word) << handle;
        EXPECT_EQ(natives[3].hash, NativeHashes::PedDamageModWrite);
        EXPECT_EQ(natives[3].args[0], word) << handle;
        EXPECT_EQ(natives[3].args[1], 0x00000000C0200000ull);  // -2.5f
        EXPECT_EQ(world().peds().front().damageModifier, -2.5f) << handle;
    }
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
