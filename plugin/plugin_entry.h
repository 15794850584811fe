#pragma once
// What DllMain does, as a plain function so native tests can drive it with a recording host.

#include <cstdint>

#include "host/script_host.h"

inline constexpr std::uint32_t kProcessDetach = 0;
inline constexpr std::uint32_t kProcessAttach = 1;

// Returns the Windows TRUE (1) for every reason.
int pluginEntry(ModuleHandle module, std::uint32_t reason);
