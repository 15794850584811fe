// GetTickCount for native builds: milliseconds of a monotonic clock, wrapping at 2^32.

#include <chrono>

#include "platform/windows_api.h"

extern "C" std::uint32_t GetTickCount() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}
