#pragma once
// The last keyboard message the host delivered for each virtual key 0 to 254. Recorded only;
// nothing in the plugin reads it.

#include <array>
#include <cstdint>

struct KeyState {
    std::uint32_t tick;            // GetTickCount when the message was handled
    std::int32_t altHeld;          // as the host passed them, not reduced to 0 or 1
    std::int32_t previouslyDown;
    std::int32_t keyUp;
};

inline constexpr std::uint32_t kKeyStateCount = 255;

using KeyStateTable = std::array<KeyState, kKeyStateCount>;
extern KeyStateTable keyStateTable;

// The handler registered with keyboardHandlerRegister. Keys above 254 are ignored.
void onKeyboardMessage(std::uint32_t keyCode, std::uint16_t repeatCount, std::uint8_t scanCode, std::int32_t extended,
                       std::int32_t altHeld, std::int32_t previouslyDown, std::int32_t keyUp);
