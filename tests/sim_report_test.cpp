// The simulated game's per-frame counts and the report's run-length lists.

#include <gtest/gtest.h>

#include "host/natives.h"
#include "sim/report.h"

namespace {

using sim::CallKind;
using sim::HostCall;

HostCall native(std::uint64_t hash, std::int32_t ped) {
    HostCall call{CallKind::Native};
    call.hash = hash;
    call.args[0] = static_cast<std::uint32_t>(ped);
    call.argc = 2;
    return call;
}

HostCall host(CallKind kind) { return HostCall{kind}; }

TEST(FrameTally, CountsWritesPedsAndWhatShouldNeverHappen) {
    namespace H = NativeHashes;
    sim::World world;
    const auto a = world.spawn(10, 1.0f);
    const auto b = world.spawn(10, 1.0f);
    const auto exempt = world.spawn(10, 1.0f, true);
    const std::vector<HostCall> calls = {
        host(CallKind::KeyboardMessage),
        native(H::PedAccuracyRead, a),  // made inside the keyboard handler
        host(CallKind::ScriptResume),
        native(H::WeatherQuery, 0),
        native(H::PedExemptTest, exempt),
        native(H::PedDamageModRead, exempt),  // an exempt ped must get nothing more
        native(H::PedDamageModWrite, a),
        native(H::PedAccuracyWrite, a),  // a second write to one ped in one frame
        native(H::PedAccuracyWrite, b),
        native(H::PedDamageModWrite, 0),  // a handle no ped has: not a ped changed
        native(H::PedDamageModWrite, 0),
        host(CallKind::ScriptWait),
    };
    const sim::FrameTally tally = sim::tallyFrame(calls, world);
    EXPECT_EQ(tally.nativeCalls, 9u);
    EXPECT_EQ(tally.pedsChanged, 2u);
    EXPECT_EQ(tally.strayHandleCalls, 2u);
    EXPECT_EQ(tally.damageWrites, 3u);
    EXPECT_EQ(tally.accuracyWrites, 2u);
    EXPECT_EQ(tally.pedsWrittenTwice, 1u);
    EXPECT_EQ(tally.exemptPedsTouched, 1u);
    EXPECT_EQ(tally.keyboardMessages, 1u);
    EXPECT_EQ(tally.nativesInKeyboardHandlers, 1u);
}

TEST(RunLengths, GroupsEqualNeighboursAndStopsAfterTheLimit) {
    struct Case {
        std::vector<std::uint32_t> values;
        std::size_t maxRuns;
        const char* expected;
    };
    const Case cases[] = {
        {{}, 8, ""},
        {{5}, 8, "5"},
        {{270, 270, 3, 0, 0, 0}, 8, "270 x2, 3, 0 x3"},
        {{1, 2, 1, 2}, 8, "1, 2, 1, 2"},
        {{1, 2, 3, 3, 4}, 2, "1, 2, ... (3 more frames)"},
    };
    for (const Case& c : cases) EXPECT_EQ(sim::runLengths(c.values, c.maxRuns), c.expected);
}

}  // namespace
