#include "plugin/keyboard_state.h"

#include "platform/windows_api.h"

KeyStateTable keyStateTable{};

void onKeyboardMessage(std::uint32_t keyCode, std::uint16_t /*repeatCount*/, std::uint8_t /*scanCode*/,
                       std::int32_t /*extended*/, std::int32_t altHeld, std::int32_t previouslyDown,
                       std::int32_t keyUp) {
    if (keyCode >= kKeyStateCount) return;  // before the clock is read
    KeyState& entry = keyStateTable[keyCode];
    entry.tick = static_cast<std::uint32_t>(GetTickCount());
    entry.altHeld = altHeld;
    entry.previouslyDown = previouslyDown;
    entry.keyUp = keyUp;
}
