#include "sim/keystroke.h"

namespace sim {

std::uint32_t packKeystrokeFlags(const KeystrokeFlags& flags) {
    return std::uint32_t{flags.repeatCount} | (std::uint32_t{flags.scanCode} << 16) |
           (std::uint32_t{flags.extended != 0} << 24) | (std::uint32_t{flags.altHeld != 0} << 29) |
           (std::uint32_t{flags.previouslyDown != 0} << 30) | (std::uint32_t{flags.keyUp != 0} << 31);
}

KeystrokeFlags unpackKeystrokeFlags(std::uint32_t word) {
    KeystrokeFlags flags;
    flags.repeatCount = static_cast<std::uint16_t>(word & 0xFFFFu);
    flags.scanCode = static_cast<std::uint8_t>((word >> 16) & 0xFFu);
    flags.extended = ((word >> 24) & 1u) != 0;
    flags.altHeld = ((word >> 29) & 1u) != 0;
    flags.previouslyDown = ((word >> 30) & 1u) != 0;
    flags.keyUp = ((word >> 31) & 1u) != 0;
    return flags;
}

}  // namespace sim
