// The keyboard state table: which keys are recorded and what is kept.

#include <gtest/gtest.h>

#include <cstring>

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
    onKeyboardMessage(65, 3, 0x1E, 1, -2, 0x7FFFFFFF, 5);
    EXPECT_EQ(keyStateTable[65].altHeld, -2);
    EXPECT_EQ(keyStateTable[65].previouslyDown, 0x7FFFFFFF);
    EXPECT_EQ(keyStateTable[65].keyUp, 5);

    onKeyboardMessage(65, 9, 0x00, 0, 0, 1, 0);  // repeat count, scan code, extended: not kept
    EXPECT_EQ(keyStateTable[65].altHeld, 0);
    EXPECT_EQ(keyStateTable[65].previouslyDown, 1);
    EXPECT_EQ(keyStateTable[65].keyUp, 0);
}

}  // namespace
