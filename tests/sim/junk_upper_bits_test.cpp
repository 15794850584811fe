// The stand-in host calls and answers the plugin the way code from another compiler may: every
// argument and result narrower than 64 bits comes with junk above it. A plugin reading one of
// them too wide would then see a wrong value in the end-to-end runs; here a keyboard handler
// declared with 64-bit parameters, and callers reading the results whole, show that the junk
// is really there, above exactly the values given. Loads the stand-in ScriptHookRDR2.dll by
// itself under Wine and calls it through its exports.

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <cstring>

#include "host/natives.h"
#include "platform/windows_api.h"
#include "sim/stand_in_host.h"

namespace {

using Word = std::uint64_t;
using WideHandler = void (*)(Word, Word, Word, Word, Word, Word, Word);

std::array<Word, 7> received;
void wideHandler(Word a, Word b, Word c, Word d, Word e, Word f, Word g) { received = {a, b, c, d, e, f, g}; }

HMODULE standIn() {
    static const HMODULE module = LoadLibraryA(VELTRANE_STAND_IN_HOST);
    return module;
}

template <typename Function>
Function exported(const char* name) {
    FARPROC address = GetProcAddress(standIn(), name);
    EXPECT_NE(address, nullptr) << name;
    Function function;
    std::memcpy(&function, &address, sizeof function);
    return function;
}

class JunkUpperBits : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(standIn(), nullptr) << VELTRANE_STAND_IN_HOST;
        world.spawn(37, 1.0f);
        world.spawn(-5, 1.0f);
        const sim::HostBinding binding{&world, &log};
        exported<StandInControlsFn>(sim::standin::kControls)()->bind(&binding);
    }
    sim::World world;
    sim::CallLog log;
};

TEST_F(JunkUpperBits, AboveEachNarrowArgumentOfTheKeyboardHandler) {
    using Register = void (*)(WideHandler);
    exported<Register>("?keyboardHandlerRegister@@YAXP6AXKGEHHHH@Z@Z")(wideHandler);
    const auto keystroke = exported<StandInControlsFn>(sim::standin::kControls)()->keystroke;

    struct Case {
        std::uint32_t keyCode;
        sim::KeystrokeFlags flags;
    };
    const Case cases[] = {
        {0x41, {1, 0, 0, 0, 0, 0}},
        {254, {0xFFFF, 0xFF, -1, INT_MIN, 2, 0x12345678}},
    };
    const char* names[] = {"keyCode", "repeatCount", "scanCode", "extended", "altHeld", "previouslyDown", "keyUp"};
    const int bits[] = {32, 16, 8, 32, 32, 32, 32};
    for (const Case& c : cases) {
        received = {};
        keystroke(c.keyCode, &c.flags);
        const Word given[] = {c.keyCode,
                              c.flags.repeatCount,
                              c.flags.scanCode,
                              static_cast<std::uint32_t>(c.flags.extended),
                              static_cast<std::uint32_t>(c.flags.altHeld),
                              static_cast<std::uint32_t>(c.flags.previouslyDown),
                              static_cast<std::uint32_t>(c.flags.keyUp)};
        for (int i = 0; i < 7; ++i) {
            const Word low = (Word{1} << bits[i]) - 1;
            EXPECT_EQ(received[i] & low, given[i]) << names[i] << " of key " << c.keyCode;
            EXPECT_NE(received[i] & ~low, 0u) << names[i] << " of key " << c.keyCode << " came with no junk above it";
        }
    }
    exported<Register>("?keyboardHandlerUnregister@@YAXP6AXKGEHHHH@Z@Z")(wideHandler);
}

TEST_F(JunkUpperBits, AboveThePedCountAndEveryNativeResult) {
    using GetAllPeds = Word (*)(std::int32_t*, std::int32_t);
    std::int32_t peds[4] = {};
    const Word count = exported<GetAllPeds>("?worldGetAllPeds@@YAHPEAHH@Z")(peds, 4);
    EXPECT_EQ(static_cast<std::uint32_t>(count), 2u);
    EXPECT_NE(count >> 32, 0u) << "the ped count came with no junk above it";

    const auto init = exported<void (*)(Word)>("?nativeInit@@YAX_K@Z");
    const auto push = exported<void (*)(Word)>("?nativePush64@@YAX_K@Z");
    const auto call = exported<Word* (*)()>("?nativeCall@@YAPEA_KXZ");
    for (std::int32_t ped : {peds[0], peds[1]}) {
        init(NativeHashes::PedAccuracyRead);
        push(static_cast<std::uint32_t>(ped));
        const Word slot = *call();
        EXPECT_EQ(static_cast<std::int32_t>(static_cast<std::uint32_t>(slot)), world.find(ped)->accuracy);
        EXPECT_NE(slot >> 32, 0u) << "ped " << ped << ": the result slot's upper half is clean";
    }
}

}  // namespace
