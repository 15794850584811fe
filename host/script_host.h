#pragma once
// The script host's nine functions. On Windows they come from ScriptHookRDR2.dll through
// the import library built from host/ScriptHookRDR2.def, which maps these plain names to
// the host's decorated export names. Native builds get them from whoever links the core
// (the tests' recording host, the simulated game).

#include <cstdint>

// Handles cross the boundary as small aliases; <windows.h> stays out of this header.
using ModuleHandle = void*;  // HINSTANCE
using ScriptEntry = void (*)();
// Virtual-key code, then the flag fields of a keystroke message from its low bits up:
// repeat count, scan code, extended key, context code (ALT), previous key state, transition.
using KeyboardHandler = void (*)(std::uint32_t keyCode, std::uint16_t repeatCount, std::uint8_t scanCode,
                                 std::int32_t extended, std::int32_t altHeld, std::int32_t previouslyDown,
                                 std::int32_t keyUp);

extern "C" {
void scriptRegister(ModuleHandle module, ScriptEntry entry);
void scriptUnregister(ModuleHandle module);
void scriptWait(std::uint32_t milliseconds);
void keyboardHandlerRegister(KeyboardHandler handler);
void keyboardHandlerUnregister(KeyboardHandler handler);
void nativeInit(std::uint64_t hash);
void nativePush64(std::uint64_t value);
std::uint64_t* nativeCall();
// Fills the front of `peds` with at most `capacity` handles and returns their number.
std::int32_t worldGetAllPeds(std::int32_t* peds, std::int32_t capacity);
}
