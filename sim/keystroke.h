#pragma once
// A Windows keystroke message's flag word (the lParam of WM_KEYDOWN and WM_KEYUP), split into
// the fields a script host hands to keyboard handlers.

#include <cstdint>

namespace sim {

struct KeystrokeFlags {
    std::uint16_t repeatCount = 1;  // bits 0-15
    std::uint8_t scanCode = 0;      // bits 16-23
    // One bit each in the flag word. A host hands them to handlers as 32-bit values, which a
    // scenario may set to anything: the word then carries only whether each is non-zero.
    std::int32_t extended = 0;        // bit 24
    std::int32_t altHeld = 0;         // bit 29, the context code
    std::int32_t previouslyDown = 0;  // bit 30, the previous key state
    std::int32_t keyUp = 0;           // bit 31, the transition state
};

std::uint32_t packKeystrokeFlags(const KeystrokeFlags& flags);
KeystrokeFlags unpackKeystrokeFlags(std::uint32_t word);

}  // namespace sim
