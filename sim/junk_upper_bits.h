#pragma once
// Calls across the host boundary made the way code from another compiler may make them: in the
// Microsoft x64 convention, an argument or result narrower than 64 bits fills only the low part
// of its register or stack slot, and the bits above it are whatever was there. These put junk
// there on purpose (sim/junk_upper_bits.S), so that a plugin which reads a narrow value as a
// wider one gets it wrong here, as it would in the game.

#include <cstdint>

#include "host/script_host.h"

extern "C" {
// Runs a script entry with junk in every argument register.
void callScriptEntry(ScriptEntry entry);
// Hands one keystroke message to a keyboard handler with junk above each argument: above the
// key code in RCX, the repeat count in RDX, the scan code in R8 and the extended-key flag in
// R9, and above the three other flags in their stack slots.
void callKeyboardHandler(KeyboardHandler handler, std::uint32_t keyCode, std::uint16_t repeatCount,
                         std::uint8_t scanCode, std::int32_t extended, std::int32_t altHeld,
                         std::int32_t previouslyDown, std::int32_t keyUp);
// The host's worldGetAllPeds as exported (the assembly): calls standInGetAllPeds and returns its
// count with junk in the upper half of RAX. Declared in host/script_host.h.
std::int32_t standInGetAllPeds(std::int32_t* peds, std::int32_t capacity);
}

namespace sim {
// The upper half the export leaves above worldGetAllPeds' count in RAX.
inline constexpr std::uint64_t kCountHighBits = 0x6B6B6B6Bull << 32;
}  // namespace sim
