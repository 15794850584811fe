// The keyboard state table: which keys are recorded and what is kept.

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>

#include "plugin/keyboard_state.h"
#include "tests/support/recording_host.h"

namespace {

bool allZero(const KeyState& s) { return s.tick == 0 && s.altHeld == 0 && s.previouslyDown == 0 && s.keyUp == 0; }

TEST(KeyboardState, RecordsKeysUpTo254AndIgnoresTheRest) {
    resetHostAndPlugin();
    for (const KeyState& entry : keyStateTable) EXPECT_TRUE(allZero(entry));

    onKeyboardMessage(254, 1, 0x1C, 0, 1, 0, 1);
    EXPECT_EQ(keyStateTable[254].altHeld, 1);
    EXPECT_EQ(keyStateTable[254].keyUp, 1);

    // A key above 254 changes no entry at all, the last ones included.
    const auto before = keyStateTable;
    for (std::uint32_t key : {255u, 256u, 65535u, 0xFFFFFFFFu}) onKeyboardMessage(key, 1, 0, 0, 7, 7, 7);
    for (std::size_t i = 0; i < keyStateTable.size(); ++i)
        EXPECT_EQ(std::memcmp(&keyStateTable[i], &before[i], sizeof(KeyState)), 0) << i;
    for (std::size_t i = 0; i < 254; ++i) EXPECT_TRUE(allZero(keyStateTable[i])) << i;
    EXPECT_TRUE(recordingHost().log.calls.empty());  // no host call, no native
}

TEST(KeyboardState, KeepsFlagsAsPassedAndReplacesTheWholeEntry) {
    resetHostAndPlugin();
    // A flag may be any 32-bit value; each is kept as it came, in each of the three places.
    const std::int32_t flags[] = {0, 1, 2, -1, -2, 5, 0x100, 0x10000, 0x7FFFFFFF, -2147483647 - 1};
    constexpr std::size_t n = std::size(flags);
    for (std::size_t i = 0; i < n; ++i) {
        const std::int32_t alt = flags[i], previous = flags[(i + 1) % n], up = flags[(i + 2) % n];
        for (const std::uint32_t key : {0u, 65u, 254u}) {
            onKeyboardMessage(key, 3, 0x1E, flags[(i + 3) % n], alt, previous, up);
            EXPECT_EQ(keyStateTable[key].altHeld, alt) << key << " " << i;
            EXPECT_EQ(keyStateTable[key].previouslyDown, previous) << key << " " << i;
            EXPECT_EQ(keyStateTable[key].keyUp, up) << key << " " << i;
        }
    }

    onKeyboardMessage(65, 9, 0x00, 0, 0, 1, 0);  // repeat count, scan code, extended: not kept
    EXPECT_EQ(keyStateTable[65].altHeld, 0);
    EXPECT_EQ(keyStateTable[65].previouslyDown, 1);
    EXPECT_EQ(keyStateTable[65].keyUp, 0);
}

}  // namespace
