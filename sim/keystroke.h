#pragma once
// A Windows keystroke message's flag word (the lParam of WM_KEYDOWN and WM_KEYUP), split into
// the fields a script host hands to keyboard handlers.

#include <cstdint>

namespace sim {

struct KeystrokeFlags {
    std::uint16_t repeatCount = 1;  // bits 0-15
    std::uint8_t scanCode = 0;      // bits 16-23
    bool extended = false;          // bit 24
    bool altHeld = false;           // bit 29, the context code
    bool previouslyDown = false;    // bit 30, the previous key state
    bool keyUp = false;             // bit 31, the transition state
};

std::uint32_t packKeystrokeFlags(const KeystrokeFlags& flags);
KeystrokeFlags unpackKeystrokeFlags(std::uint32_t word);

}  // namespace sim
